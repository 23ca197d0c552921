#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

class QDBusPendingCallWatcher;

// Desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications) on the session bus. Calls never wait for the service: a
// desktop without one simply shows nothing. When the service restarts (another process takes
// its name), what it can do is asked again.
class DesktopNotifier final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DesktopNotifier)
public:
    // Talks to the service on `bus`, the session bus unless a test gives another.
    explicit DesktopNotifier(QObject *parent = nullptr);
    DesktopNotifier(const QDBusConnection &bus, QObject *parent);

    // Shows `summary` over `body`, both plain text; `tag` comes back through activated()
    // when the user clicks the notification. With `replace`, it takes the place of the last
    // one shown with `tag` and `replace` that is still on screen, rather than stack; while the
    // service has not yet said the id of that one, only the newest of the later ones waits.
    void Show(const QString &summary, const QString &body, const QString &tag,
              bool replace = false);
    // Takes the notification shown with `tag` and `replace` off the screen.
    void Close(const QString &tag);
    // For a program about to end: sends the notification at once, with no action to click, and
    // waits for the service at most `waitMs` (a desktop without one answers at once).
    void ShowBeforeExit(const QString &summary, const QString &body, int waitMs = 1000);
    // The words of the action a click takes, in the windows' language.
    void setOpenText(const QString &text) { m_openText = text; }

Q_SIGNALS:
    void activated(const QString &tag);

private Q_SLOTS:
    void ActionInvoked(uint id, const QString &action);
    void NotificationClosed(uint id, uint reason);

private:
    struct Pending {
        QString Summary, Body, Tag;
        bool Replace = false;
    };
    void askCapabilities();
    void capabilitiesKnown(QDBusPendingCallWatcher *call);
    void notify(const Pending &notification);
    void closeId(uint id);
    void notified(const Pending &notification, QDBusPendingCallWatcher *call);
    void serviceOwnerChanged(const QString &service, const QString &oldOwner,
                             const QString &newOwner);

    QDBusConnection m_bus;
    QString m_openText;
    enum class Capabilities { Unknown, Asked, Known } m_capabilities = Capabilities::Unknown;
    bool m_bodyMarkup = false;
    bool m_askedBefore = false;
    QList<Pending> m_waiting;           // shown once the service has said whether it reads markup
    QHash<uint, QString> m_tags;        // the tag of every notification on screen, by its id
    QHash<QString, uint> m_replaceable; // by tag: the last one shown to be replaced
    QSet<QString> m_sending;            // tags of replaceable ones whose id is not yet known
    QHash<QString, Pending> m_held;     // by tag: the newest one waiting for that id
    QSet<QString> m_closing;            // tags closed while their id was not yet known
};

// The first line of a message, cut to `limit` characters with "…" where it was longer.
QString FirstLine(const QString &text, qsizetype limit = 200);
