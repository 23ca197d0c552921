#pragma once

#include "MessageDigest.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class ChatOptions;
class ChatSession;
class DesktopNotifier;
class TForm4;
namespace transfer
{
struct IncomingOffer;
} // namespace transfer

// Desktop notifications for the messages meant for the user: a private message, an offer of
// files, or a public line naming the user's nick, that arrives while its window is hidden or
// not active. Shown while the notifications option is on; a click on one
// brings up the private window or the main window. Messages keep one notification per sender
// and kind, replaced as more come ("Olga: 5 new messages" over the newest text) and changed at
// most once per interval; the count starts again once the user has seen them (the window
// active, or the notification clicked). Offers notify as the private window alerts for them,
// once per burst of a sender, and a newer one replaces the last on screen.
class DesktopAlerts final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DesktopAlerts)
public:
    DesktopAlerts(ChatSession *session, TForm4 *privateWindow, QObject *parent = nullptr);
    ~DesktopAlerts() override;

    void PrivateReceived(const QString &sender, const QString &text);
    void NickMentioned(const QString &sender, const QString &text);
    void FilesOffered(const transfer::IncomingOffer &offer);
    // The user clicked the notification shown with `tag`.
    void Activated(const QString &tag);
    // The shortest time between two changes of one sender's notification.
    void setIntervalMs(qint64 ms);

protected:
    // The windows becoming active: their messages are in front of the user.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool enabled() const;
    void show(const QString &summary, const QString &text, const QString &tag,
              bool replace = false);
    void showPrivate(const MessageDigest::Update &update);
    void showMention(const MessageDigest::Update &update);
    void PrivateSeen();
    void MentionsSeen();
    void ShowDue();
    void schedule();

    // Made with the first notification: until then nothing talks to the session bus.
    DesktopNotifier *m_notifier = nullptr;
    const ChatOptions &m_options;
    MessageDigest m_private;  // by sender nick
    MessageDigest m_mentions; // by sender nick
    QElapsedTimer m_clock;
    QTimer m_due; // shows the updates that waited for their interval
};
