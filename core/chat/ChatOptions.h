#pragma once

#include <QObject>
#include <QString>

// Every option the chat and its services read while they run. The fields carry the names of
// their Chat.cfg lines; the last two are the options file's.
struct OptionValues {
    int FontColor = 0; // the user's own colour number; -1 when none is chosen
    int BGColor = -1;
    bool AlphaBlend = false;
    int AlphaBlendValue = 0;
    bool ShowMainWND = false;         // bring the main window back for a public line
    bool PlaySndOnRcv = false;        // "MsgRcvd.wav" for a public line
    bool ShowMsgTime = false;         // lines begin with their time
    bool ShowIP = false;              // lines begin with the sender's address
    int RedrawUsrWnd = 1;             // the user list refresh, in steps of RefreshStepSeconds
    bool ShowPrivateWND = false;      // open the private window for a private message
    bool PlaySndOnPrivateRcv = false; // "PrivateMsgRcvd.wav" for a private message
    bool AutoLogon = false;
    QString SavedNick;
    bool StartMinimized = false;
    QString Skin;
    bool IgnUsrClr = false; // every incoming line in IncommingMsgClr
    int IncommingMsgClr = 0;
    bool SelectHistoryClr = false; // the history's rows in IncClr and OutClr
    int IncClr = 0;
    int OutClr = 0;
    int SysClr = 0; // entry and leave notices
    bool AutoRun = false;
    bool ChangeIP = false; // broadcast to BroadcastIP rather than the found network's
    QString BroadcastIP;
    bool ChangePort = false; // the ports below rather than the chat's well-known ones
    // As typed: a port that is no number stops the start-up with its error.
    QString MainPort = QStringLiteral("555");
    QString PrivatePort = QStringLiteral("557");
    QString SystemPort = QStringLiteral("556");
    bool Notifications = true;
    int FilePort = 558; // 0: no file transfer
};

// The user list is refreshed every RedrawUsrWnd steps of this many seconds.
inline constexpr int RefreshStepSeconds = 5;

// The options of the running chat: whoever holds them (the settings window's controls, a
// command line) writes them here, and the chat, its services and the windows read them here.
class ChatOptions final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChatOptions)
public:
    explicit ChatOptions(QObject *parent = nullptr);

    const OptionValues &Values() const { return m_values; }
    // Each reports `changed` when the value is new.
    void Set(bool OptionValues::*field, bool value);
    void Set(int OptionValues::*field, int value);
    void Set(QString OptionValues::*field, const QString &value);
    void SetAll(const OptionValues &values);

Q_SIGNALS:
    void changed();

private:
    OptionValues m_values;
};
