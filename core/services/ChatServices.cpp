#include "ChatServices.h"

#include "AppPaths.h"
#include "Convert.h"

#include <QDir>
#include <QHostAddress>
#include <QTimer>

ChatServices::ChatServices(QObject *parent) : QObject(parent)
{
    m_session.setOptions(&m_options);
    m_session.setHistoryStore(&m_history);
    // The store opens at its first use: a failure then is said as one at start-up is.
    connect(&m_history, &HistoryStore::openFailed, &m_session, [this](const QString &message) {
        m_session.ReportHistoryFailure({HistoryFault::Other, message});
    });
    m_refresh = new QTimer(this);
    m_refresh->setObjectName(QStringLiteral("Timer1"));
    connect(m_refresh, &QTimer::timeout, &m_session, &ChatSession::RefreshUsers);
    connect(&m_options, &ChatOptions::changed, this, &ChatServices::applyRefreshInterval);
    applyRefreshInterval();
}

ChatServices::~ChatServices()
{
    CloseListeners();
    m_session.setHistoryStore(nullptr);
}

void ChatServices::setSetup(const ServicesSetup &setup)
{
    m_setup = setup;
    m_session.setHistoryStore(setup.KeepHistory ? &m_history : nullptr);
    if (!setup.HistoryFolder.isEmpty())
        m_history.setProgramDir(setup.HistoryFolder);
}

void ChatServices::applyRefreshInterval()
{
    m_refresh->setInterval(1000 * RefreshStepSeconds * m_options.Values().RedrawUsrWnd);
}

void ChatServices::Join(const QString &nick)
{
    m_session.setOwnNick(nick);
    m_refresh->start();
}

StartReport ChatServices::Start(const QString &nick)
{
    Join(nick);
    choosePorts();
    chooseNetwork();
    Q_EMIT networkChosen(m_network, m_session.Ports());
    StartReport report = openListeners();
    if (m_setup.RequireListeners && !report.Listening()) {
        CloseListeners();
        Q_EMIT started(report);
        return report;
    }
    try {
        m_session.GoOnline();
    } catch (const AppError &error) {
        report.OfflineError = error.message();
    }
    openHistory(nick);
    Q_EMIT started(report);
    return report;
}

StartReport ChatServices::openListeners()
{
    StartReport report;
    const int filePort = m_options.Values().FilePort;
    report.FilesOff = filePort == 0 || !m_setup.Listen;
    if (!m_setup.Listen)
        return report;
    report.DeafPorts = m_session.StartNetwork();
    if (filePort != 0) {
        try {
            m_files.start(fileOptions());
        } catch (const ETransferError &error) {
            report.FilesError = error;
        }
    }
    return report;
}

// A broadcast address given in the options is used as it stands; otherwise it is the chosen
// interface's (the one of the own address, when the front end fixed that).
void ChatServices::chooseNetwork()
{
    const OptionValues &options = m_options.Values();
    if (options.ChangeIP) {
        m_network = {};
        m_network.broadcast = options.BroadcastIP;
        if (!m_setup.OwnAddress.isEmpty())
            m_session.setOwnIP(m_setup.OwnAddress);
    } else {
        m_network =
            m_setup.OwnAddress.isEmpty() ? FindLocalNetwork() : FindNetworkOf(m_setup.OwnAddress);
        m_session.setOwnIP(m_network.address);
    }
    m_session.setBroadcastAddress(m_network.broadcast);
}

void ChatServices::choosePorts()
{
    const OptionValues &options = m_options.Values();
    if (!options.ChangePort)
        return;
    ChatPorts ports;
    ports.Public = strToInt(options.MainPort);
    ports.Private = strToInt(options.PrivatePort);
    ports.System = strToInt(options.SystemPort);
    m_session.setPorts(ports);
}

// A store that cannot take records is said once; private messages still show and alert.
void ChatServices::openHistory(const QString &nick)
{
    if (!m_setup.KeepHistory)
        return;
    try {
        m_history.ChooseHistory(nick);
        m_session.CheckHistory();
    } catch (const AppError &error) {
        m_session.ReportHistoryFailure({HistoryFault::Other, error.message()});
    }
}

// Offers and announcements are taken only from the chat's users, and nothing goes to its ports.
transfer::TransferOptions ChatServices::fileOptions() const
{
    transfer::TransferOptions options;
    options.port = quint16(m_options.Values().FilePort);
    options.nick = m_session.OwnNick();
    options.announceTo = QHostAddress(m_session.BroadcastAddress());
    const ChatSession *session = &m_session;
    options.isChatUser = [session](const QHostAddress &address, const QString &nick) {
        return session->IsUserAt(nick, address.toString());
    };
    const ChatPorts ports = m_session.Ports();
    options.chatPorts = {quint16(ports.Public), quint16(ports.System), quint16(ports.Private)};
    options.partialJournal = m_setup.PartialJournal;
    return options;
}

void ChatServices::Leave()
{
    if (m_left)
        return;
    m_left = true;
    m_session.SendLeaveNotice();
    CloseListeners();
}

void ChatServices::CloseListeners()
{
    m_refresh->stop();
    m_files.stop();
    m_session.CloseListeners();
}
