#pragma once

#include "ChatOptions.h"
#include "ChatSession.h"
#include "FileTransferService.h"
#include "HistoryStore.h"
#include "HostAddress.h"
#include "TransferErrors.h"

#include <QObject>
#include <QString>

#include <optional>

class QTimer;

// What a front end fixes for its run before the start-up.
struct ServicesSetup {
    QString OwnAddress;      // this host's address; empty: the chosen interface's
    bool KeepHistory = true; // record private messages
    QString HistoryFolder;   // where the history files are; empty: the program's data folder
    QString PartialJournal;  // the journal of partial files; empty: none
    bool Listen = true;      // false: no listener and no file port, the chat only sends
    // Stay offline when a listener or the file port cannot open: the start-up ends there.
    bool RequireListeners = false;
};

// How the start-up went, for the front end to word.
struct StartReport {
    QList<int> DeafPorts;  // the chat ports whose listener could not open
    bool FilesOff = false; // no file port: switched off in the options, or nothing listens
    std::optional<ETransferError> FilesError; // the file port could not be opened
    std::optional<QString> OfflineError;      // the network cannot send

    bool Listening() const { return DeafPorts.isEmpty() && !FilesError; }
};

// The running chat apart from any window: its options, session, history store, file service
// and user list refresh, with the one start-up and shut-down every front end uses.
class ChatServices final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChatServices)
public:
    explicit ChatServices(QObject *parent = nullptr);
    ~ChatServices() override;

    ChatOptions &Options() { return m_options; }
    ChatSession &Session() { return m_session; }
    HistoryStore &History() { return m_history; }
    transfer::FileTransferService &Files() { return m_files; }
    // Refreshes the user list every RedrawUsrWnd steps; runs from the start-up on.
    QTimer *RefreshTimer() const { return m_refresh; }

    void setSetup(const ServicesSetup &setup);
    // The network and ports the start-up chose; empty before it.
    const LocalNetwork &Network() const { return m_network; }
    ChatPorts Ports() const { return m_session.Ports(); }

    // The user is known as `nick`: the user list refresh runs from now on. A front end that
    // reads more options between the nick and the network calls it first.
    void Join(const QString &nick);
    // Joins the chat as `nick`: the network and ports the options ask for, the listeners, the
    // file service, the user list refresh, the entry notice and the history. Throws AppError,
    // before anything opens, when a port option is no number; any later failure is reported
    // and the start-up goes on, save a port that cannot open when the setup requires them all.
    StartReport Start(const QString &nick);
    // The leave notice, then every listener closed; once.
    void Leave();
    // Every listener and the file port closed, presence and refresh stopped; never throws.
    void CloseListeners();

Q_SIGNALS:
    // The start-up chose the network and ports; the listeners open next.
    void networkChosen(const LocalNetwork &network, const ChatPorts &ports);
    // The start-up is over.
    void started(const StartReport &report);

private:
    StartReport openListeners();
    void chooseNetwork();
    void choosePorts();
    void openHistory(const QString &nick);
    void applyRefreshInterval();
    transfer::TransferOptions fileOptions() const;

    ChatOptions m_options;
    HistoryStore m_history;
    ChatSession m_session;
    transfer::FileTransferService m_files;
    QTimer *m_refresh = nullptr;
    ServicesSetup m_setup;
    LocalNetwork m_network;
    bool m_left = false;
};
