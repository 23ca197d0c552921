#include "PeerConsole.h"

#include "AppError.h"
#include "ChatText.h"
#include "Datagram.h"
#include "HostAddress.h"
#include "PeerTexts.h"
#include "TransferErrors.h"
#include "TransferTexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// One output line: the text's own line breaks become the two characters "\n".
QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"));
    return text.replace(u'\n', QStringLiteral("\\n"));
}

void writeLine(FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

PeerConsole::PeerConsole(const PeerOptions &options, QObject *parent)
    : QObject(parent), m_options(options), m_session(m_services.Session())
{
    applyOptions();
    connect(&m_session, &ChatSession::publicLine, this,
            [this](const QString &text, int) { print(text); });
    connect(
        &m_session, &ChatSession::privateMessage, this,
        [this](const QString &header, const QString &body, int) { print(header + u' ' + body); });
    connect(&m_session, &ChatSession::historyNotSaved, this,
            [this](const QString &path, const HistoryFailure &failure) {
                complain(peertexts::HistoryNotSaved(path, failure.detail));
            });
}

PeerConsole::~PeerConsole() = default;

// The command line as the chat's options: a broadcast address or ports given are used as
// they stand, as the settings window's switches for them do.
void PeerConsole::applyOptions()
{
    m_session.setSettings(m_options.Settings);
    ChatOptions &chat = m_services.Options();
    chat.Set(&OptionValues::ChangeIP, !m_options.Broadcast.isEmpty());
    chat.Set(&OptionValues::BroadcastIP, m_options.Broadcast);
    chat.Set(&OptionValues::ChangePort, true);
    chat.Set(&OptionValues::MainPort, QString::number(m_options.Ports.Public));
    chat.Set(&OptionValues::SystemPort, QString::number(m_options.Ports.System));
    chat.Set(&OptionValues::PrivatePort, QString::number(m_options.Ports.Private));
    chat.Set(&OptionValues::FilePort, m_options.FilePort);
    ServicesSetup setup;
    // A fixed broadcast address says nothing of this host's own.
    setup.OwnAddress = m_options.Address.isEmpty() && !m_options.Broadcast.isEmpty()
                           ? LocalHostAddress()
                           : m_options.Address;
    setup.KeepHistory = !m_options.HistoryDir.isEmpty();
    setup.HistoryFolder = m_options.HistoryDir;
    setup.PartialJournal = partialJournal();
    setup.Listen = !m_options.SendOnly;
    setup.RequireListeners = !m_options.SendOnly;
    m_services.setSetup(setup);
}

PeerExit PeerConsole::Start()
{
    if (!m_options.SendOnly && !m_options.AcceptFilesDir.isEmpty()) {
        if (const auto fault = CheckFolder(m_options.AcceptFilesDir)) {
            complain(peertexts::BadFolder(m_options.AcceptFilesDir, *fault));
            return PeerExit::BadFolder;
        }
    }
    const StartReport report = m_services.Start(m_options.Nick);
    if (!report.Listening()) {
        if (!report.DeafPorts.isEmpty())
            complain(peertexts::CannotListen(report.DeafPorts));
        if (report.FilesError)
            complain(TransferErrorText(*report.FilesError));
        complain(peertexts::ListenHint());
        return PeerExit::CannotListen;
    }
    if (report.OfflineError) {
        complain(peertexts::CannotSend(*report.OfflineError));
        return PeerExit::CannotSend;
    }
    if (!report.FilesOff)
        startFileCommands();
    m_input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_input, &QSocketNotifier::activated, this, &PeerConsole::readInput);
    watchSignals();
    return PeerExit::Ok;
}

void PeerConsole::startFileCommands()
{
    const auto resolve = [this](const QString &nick) {
        const QString item = m_session.RecipientItemFor(nick);
        return item.isEmpty() ? QHostAddress()
                              : QHostAddress(item.section(QStringLiteral(" - "), 1));
    };
    m_fileCommands = std::make_unique<FileCommands>(
        m_services.Files(), resolve, [this](const QString &line) { print(line); },
        [this](const QString &text) { complain(text); }, m_options.AcceptFilesDir);
    connect(m_fileCommands.get(), &FileCommands::fileRecorded, &m_session,
            &ChatSession::RecordPrivateLine);
}

// Beside the folder that takes the files ("<folder>.partials"), not in it: the files received
// are all that folder holds.
QString PeerConsole::partialJournal() const
{
    if (m_options.AcceptFilesDir.isEmpty())
        return {};
    return QDir::cleanPath(QDir(m_options.AcceptFilesDir).absolutePath()) +
           QStringLiteral(".partials");
}

void PeerConsole::watchSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    m_signals = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(m_signals, &QSocketNotifier::activated, this, &PeerConsole::Leave);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &action, nullptr);
}

void PeerConsole::Leave()
{
    if (m_left)
        return;
    m_left = true;
    if (m_input)
        m_input->setEnabled(false);
    m_services.Leave();
    QCoreApplication::exit(0);
}

void PeerConsole::readInput()
{
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        if (!m_pending.isEmpty())
            runCommand(QString::fromUtf8(m_pending));
        m_pending.clear();
        Leave();
        return;
    }
    m_pending.append(buffer, n);
    qsizetype end = 0;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        QByteArray line = m_pending.left(end);
        m_pending.remove(0, end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        runCommand(QString::fromUtf8(line));
    }
}

void PeerConsole::runCommand(const QString &line)
{
    try {
        if (m_fileCommands && m_fileCommands->handle(line))
            return;
        if (!m_fileCommands && FileCommands::IsFileCommand(line))
            return complain(peertexts::NoFileTransfer());
        if (line.startsWith(QLatin1String("/msg "))) {
            const QString rest = line.mid(5);
            const qsizetype space = rest.indexOf(u' ');
            if (space <= 0)
                return complain(peertexts::MsgUsage());
            sendPrivate(rest.left(space), rest.mid(space + 1));
        } else if (line == QLatin1String("/users")) {
            for (const UsrInfo &user : m_session.ListedUsers())
                print(user.Nick + QStringLiteral(" - ") + user.IP);
        } else if (!line.isEmpty()) {
            m_session.SendPublic(OutgoingText(line));
        }
    } catch (const EMessageTooLong &error) {
        complain(peertexts::MessageTooLong(error.excessBytes()));
    } catch (const AppError &error) {
        complain(peertexts::CannotSend(error.message()));
    }
}

void PeerConsole::sendPrivate(const QString &nick, const QString &text)
{
    const QString item = m_session.RecipientItemFor(nick);
    if (item.isEmpty())
        return complain(peertexts::NobodyHeard(nick));
    m_session.SendPrivate(item, OutgoingText(text));
}

void PeerConsole::print(const QString &line)
{
    writeLine(stdout, oneLine(line));
}

void PeerConsole::complain(const QString &text)
{
    writeLine(stderr, QStringLiteral("palavrix-peer: ") + text);
}
