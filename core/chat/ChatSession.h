#pragma once

#include "AppError.h"
#include "ChatOptions.h"
#include "ChatText.h"
#include "UserTable.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class HistoryStore;
class QTimer;
class TIdSocketHandle;
class TIdUDPClient;
class TIdUDPServer;

// A message that would not fit one datagram with its frame and nicks: refused before
// anything is sent. The windows word it from the figures.
class EMessageTooLong final : public AppError
{
public:
    explicit EMessageTooLong(qsizetype excessBytes);
    // Bytes over MaxDatagramBytes.
    qsizetype excessBytes() const noexcept { return m_excessBytes; }

private:
    qsizetype m_excessBytes;
};

// Why the history store cannot take records.
enum class HistoryFault { Missing, ReadOnlyFileSystem, NoPermission, DiskFull, Other };
struct HistoryFailure {
    HistoryFault fault = HistoryFault::Other;
    QString detail; // what the system or the store said, for Other
};

// What the chat consults of its options for one event.
struct ChatSettings {
    LineSettings Lines;                // time and sender-address prefixes
    bool RaiseOnPublic = false;        // bring the main window back for a public line
    bool SoundOnPublic = false;        // "MsgRcvd.wav" for a public line
    bool OpenOnPrivate = false;        // open the private window for a private message
    bool SoundOnPrivate = false;       // "PrivateMsgRcvd.wav" for a private message
    bool IgnoreIncomingColors = false; // every incoming line in IncomingColorIndex
    int IncomingColorIndex = 0;
    int NoticeColorIndex = 0; // entry and leave notices
    int FontColorIndex = 0;   // the user's own colour; -1 when none is chosen
};

// The endpoint ports; the defaults are the chat's well-known ports.
struct ChatPorts {
    int Public = 555;
    int System = 556;
    int Private = 557;
};

// One running chat: identity, endpoints, presence and what every received datagram means.
// It has no window; whoever shows the chat listens to its signals.
class ChatSession final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChatSession)
public:
    explicit ChatSession(QObject *parent = nullptr);
    ~ChatSession() override;

    // Endpoints: public and system listeners and senders, the private listener and sender.
    TIdUDPServer *IdUDPServer1 = nullptr;
    TIdUDPServer *IdUDPServer2 = nullptr;
    TIdUDPServer *PrivateServer = nullptr;
    TIdUDPClient *IdUDPClient1 = nullptr;
    TIdUDPClient *IdUDPClient2 = nullptr;
    TIdUDPClient *PrivateClient = nullptr;
    // The presence announcement, every 4 s once online.
    QTimer *PresenceTimer = nullptr;

    // The options the chat reads, once per event; by default its own.
    void setOptions(ChatOptions *options);
    ChatOptions &Options() const { return *m_options; }
    // Writes these into the options.
    void setSettings(const ChatSettings &settings);
    ChatSettings Settings() const;
    // Where private messages are recorded; none keeps no history.
    void setHistoryStore(HistoryStore *store);
    // Checks that the opened store can take records; reports once when it cannot.
    void CheckHistory();
    // Reports, the first time only, that private messages are not being recorded, and why.
    // Messages are shown and alerted all the same. An engine error (Other) is said as the
    // store's fault where its file or folder shows one (read-only, no permission, full).
    void ReportHistoryFailure(const HistoryFailure &reported);

    const QString &OwnNick() const { return m_ownNick; }
    void setOwnNick(const QString &nick);
    const QString &OwnIP() const { return m_ownIP; }
    void setOwnIP(const QString &ip);
    // The colour number last put into an outgoing frame.
    int OwnColorIndex() const { return m_ownColorIndex; }
    void setOwnColorIndex(int index) { m_ownColorIndex = index; }

    // The destination of the broadcasts.
    void setBroadcastAddress(const QString &address);
    QString BroadcastAddress() const;
    void setPorts(const ChatPorts &ports);
    ChatPorts Ports() const;

    // Opens the three listeners; one that cannot open leaves the chat silent on its port but
    // able to send. Returns the ports whose listener could not open, none when all did.
    QList<int> StartNetwork();
    // Starts the presence timer, then broadcasts the entry notice and the first
    // announcement; throws AppError when the network cannot send.
    void GoOnline();
    // One presence announcement in the current font colour; failures wait for the next.
    void AnnouncePresence();
    // Broadcasts the leave notice and waits 200 ms; failures are ignored.
    void SendLeaveNotice();
    // Stops presence and closes the three listeners; never throws.
    void CloseListeners();

    // Broadcasts a public message; `text` is already in its outgoing form. Throws
    // EMessageTooLong, before sending, when the datagram would not fit.
    void SendPublic(const QString &text);
    // Sends a private message to the recipient box item `recipientItem`, records it and
    // reports the echo. Throws AppError when it cannot be sent (EMessageTooLong before
    // sending).
    void SendPrivate(const QString &recipientItem, const QString &text);
    // Records a line of the conversation with `peerNick` that came as no private message,
    // such as a file sent or received, as a record from or to that peer.
    void RecordPrivateLine(const QString &peerNick, const QString &text, bool incoming);

    // The datagram handlers of the three listeners. An empty datagram is only ever a reply:
    // none of them shows or answers one.
    void PublicRead(const QByteArray &data, TIdSocketHandle *binding);
    void SystemRead(const QByteArray &data, TIdSocketHandle *binding);
    void PrivateRead(const QByteArray &data, TIdSocketHandle *binding);

    // Asks for a sound the way the session's own messages do, for an alert that came another
    // way (an offer of files).
    void RequestSound(const QString &fileName);

    // Sorts the users heard since the last refresh, reports them and frees the table.
    void RefreshUsers();
    const UserTable &Users() const { return m_users; }
    // The users of the last refresh, sorted.
    const QList<UsrInfo> &ListedUsers() const { return m_listed; }
    // The recipient item of the listed or heard user `nick`; empty when unknown.
    QString RecipientItemFor(const QString &nick) const;
    // Whether `nick` was heard from `ip` since the last refresh or listed at it.
    bool IsUserAt(const QString &nick, const QString &ip) const;

Q_SIGNALS:
    // A public line to append in the colour of its number.
    void publicLine(const QString &text, int colorIndex);
    // A private message, received or sent: a bold header and its text.
    void privateMessage(const QString &header, const QString &body, int colorIndex);
    // A private message arrived that should bring up the private window.
    void openPrivateWindow();
    // A private message arrived with the open option off: blink unless the private window
    // is active.
    void privateUnseen();
    // A public line that may alert the user arrived with the raise option on.
    void publicAlert();
    // Another user's private message arrived; reported before it is shown.
    void privateReceived(const QString &sender, const QString &text);
    // Another user's public line names the user's nick; reported before it is shown.
    void nickMentioned(const QString &sender, const QString &text);
    void soundRequested(const QString &fileName);
    // After a refresh: the sorted users and the recipient box items.
    void usersRefreshed(const QList<UsrInfo> &users, const QStringList &recipientItems);
    // The store at `path` takes no records; reported once, from the event loop, never from
    // inside a handler.
    void historyNotSaved(const QString &path, const HistoryFailure &failure);

private:
    void record(const QString &sender, const QString &receiver, const QString &text, bool incoming);
    QString timeNow() const;

    ChatOptions *m_options = nullptr;
    HistoryStore *m_store = nullptr;
    bool m_historyFailureReported = false;
    QString m_ownNick;
    QString m_ownIP;
    int m_ownColorIndex = 0;
    UserTable m_users;
    QList<UsrInfo> m_listed;
    mutable qint64 m_timeSecond = -1; // the second m_timeText shows
    mutable QString m_timeText;
};
