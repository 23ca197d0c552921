#include "ChatSession.h"

#include "AppError.h"
#include "AppPaths.h"
#include "ColorList.h"
#include "Cp1251.h"
#include "Datagram.h"
#include "DateTimeText.h"
#include "HistoryStore.h"
#include "UdpEndpoints.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace
{

TIdUDPServer *makeServer(QObject *parent, const char *name, int port, bool broadcast)
{
    auto *server = new TIdUDPServer(parent);
    server->setObjectName(QString::fromLatin1(name));
    server->setDefaultPort(port);
    server->setBroadcastEnabled(broadcast);
    return server;
}

TIdUDPClient *makeClient(QObject *parent, const char *name, int port, bool broadcast)
{
    auto *client = new TIdUDPClient(parent);
    client->setObjectName(QString::fromLatin1(name));
    client->Port = port;
    client->setBroadcastEnabled(broadcast);
    return client;
}

// Refuses a datagram longer than a listener takes.
void refuseTooLong(const QString &datagram)
{
    const qsizetype size = cp1251::encode(datagram).size();
    if (size > MaxDatagramBytes)
        throw EMessageTooLong(size - MaxDatagramBytes);
}

HistoryFailure writeFailure(int error)
{
    switch (error) {
    case EROFS:
        return {HistoryFault::ReadOnlyFileSystem, {}};
    case EACCES:
    case EPERM:
        return {HistoryFault::NoPermission, {}};
    case ENOSPC:
        return {HistoryFault::DiskFull, {}};
    default:
        return {HistoryFault::Other, QString::fromLocal8Bit(std::strerror(error))};
    }
}

// Why nothing can be created in the folder, or nothing when something can.
std::optional<HistoryFailure> folderWriteFailure(const QString &folder)
{
    if (const int error = apppaths::CreateFileError(folder))
        return writeFailure(error);
    return std::nullopt;
}

// Why the store file cannot take a record, or nothing when it can: the file must open for
// writing and its folder must take the journal the engine writes beside it. A file missing
// from a folder that takes nothing is said as the folder's fault.
std::optional<HistoryFailure> storeWriteFailure(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(path)) {
        if (const auto failure = folderWriteFailure(folder))
            return failure;
        return HistoryFailure{HistoryFault::Missing, {}};
    }
    errno = 0;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return writeFailure(errno == 0 ? EACCES : errno);
    file.close();
    return folderWriteFailure(folder);
}

} // namespace

EMessageTooLong::EMessageTooLong(qsizetype excessBytes)
    : AppError(QStringLiteral("message too long for one datagram of %1 bytes: %2 bytes over")
                   .arg(MaxDatagramBytes)
                   .arg(excessBytes)),
      m_excessBytes(excessBytes)
{
}

ChatSession::ChatSession(QObject *parent) : QObject(parent), m_options(new ChatOptions(this))
{
    const ChatPorts ports;
    IdUDPServer1 = makeServer(this, "IdUDPServer1", ports.Public, true);
    IdUDPServer2 = makeServer(this, "IdUDPServer2", ports.System, true);
    PrivateServer = makeServer(this, "PrivateServer", ports.Private, false);
    IdUDPClient1 = makeClient(this, "IdUDPClient1", ports.Public, true);
    IdUDPClient2 = makeClient(this, "IdUDPClient2", ports.System, true);
    PrivateClient = makeClient(this, "PrivateClient", ports.Private, false);
    IdUDPServer1->OnUDPRead = [this](TIdUDPServer *, const QByteArray &d, TIdSocketHandle *b) {
        PublicRead(d, b);
    };
    IdUDPServer2->OnUDPRead = [this](TIdUDPServer *, const QByteArray &d, TIdSocketHandle *b) {
        SystemRead(d, b);
    };
    PrivateServer->OnUDPRead = [this](TIdUDPServer *, const QByteArray &d, TIdSocketHandle *b) {
        PrivateRead(d, b);
    };

    PresenceTimer = new QTimer(this);
    PresenceTimer->setObjectName(QStringLiteral("Timer3"));
    PresenceTimer->setInterval(4000);
    connect(PresenceTimer, &QTimer::timeout, this, &ChatSession::AnnouncePresence);
}

ChatSession::~ChatSession()
{
    CloseListeners();
}

void ChatSession::setOptions(ChatOptions *options)
{
    m_options = options;
}

void ChatSession::setSettings(const ChatSettings &settings)
{
    OptionValues values = m_options->Values();
    values.ShowMsgTime = settings.Lines.showTime;
    values.ShowIP = settings.Lines.showAddress;
    values.ShowMainWND = settings.RaiseOnPublic;
    values.PlaySndOnRcv = settings.SoundOnPublic;
    values.ShowPrivateWND = settings.OpenOnPrivate;
    values.PlaySndOnPrivateRcv = settings.SoundOnPrivate;
    values.IgnUsrClr = settings.IgnoreIncomingColors;
    values.IncommingMsgClr = settings.IncomingColorIndex;
    values.SysClr = settings.NoticeColorIndex;
    values.FontColor = settings.FontColorIndex;
    m_options->SetAll(values);
}

ChatSettings ChatSession::Settings() const
{
    const OptionValues &v = m_options->Values();
    ChatSettings s;
    s.Lines = {v.ShowMsgTime, v.ShowIP};
    s.RaiseOnPublic = v.ShowMainWND;
    s.SoundOnPublic = v.PlaySndOnRcv;
    s.OpenOnPrivate = v.ShowPrivateWND;
    s.SoundOnPrivate = v.PlaySndOnPrivateRcv;
    s.IgnoreIncomingColors = v.IgnUsrClr;
    s.IncomingColorIndex = v.IncommingMsgClr;
    s.NoticeColorIndex = v.SysClr;
    s.FontColorIndex = v.FontColor;
    return s;
}

void ChatSession::setHistoryStore(HistoryStore *store)
{
    m_store = store;
}

void ChatSession::CheckHistory()
{
    if (!m_store)
        return;
    if (const auto failure = storeWriteFailure(m_store->path()))
        ReportHistoryFailure(*failure);
}

void ChatSession::ReportHistoryFailure(const HistoryFailure &reported)
{
    if (m_historyFailureReported)
        return;
    m_historyFailureReported = true;
    // The engine's own words ("unable to open database file") hide a folder that has become
    // read-only: where the file or its folder shows the cause, that is said instead.
    HistoryFailure failure = reported;
    if (failure.fault == HistoryFault::Other && m_store && !m_store->path().isEmpty())
        failure = storeWriteFailure(m_store->path()).value_or(reported);
    const QString path = m_store ? QDir::toNativeSeparators(m_store->path()) : QString();
    QMetaObject::invokeMethod(
        this, [this, path, failure] { Q_EMIT historyNotSaved(path, failure); },
        Qt::QueuedConnection);
}

void ChatSession::setOwnNick(const QString &nick)
{
    m_ownNick = nick;
}

void ChatSession::setOwnIP(const QString &ip)
{
    m_ownIP = ip;
}

void ChatSession::setBroadcastAddress(const QString &address)
{
    IdUDPClient1->Host = address;
    IdUDPClient2->Host = address;
}

QString ChatSession::BroadcastAddress() const
{
    return IdUDPClient1->Host;
}

void ChatSession::setPorts(const ChatPorts &ports)
{
    IdUDPClient1->Port = ports.Public;
    IdUDPServer1->setDefaultPort(ports.Public);
    IdUDPClient2->Port = ports.System;
    IdUDPServer2->setDefaultPort(ports.System);
    PrivateClient->Port = ports.Private;
    PrivateServer->setDefaultPort(ports.Private);
}

ChatPorts ChatSession::Ports() const
{
    return {IdUDPServer1->DefaultPort(), IdUDPServer2->DefaultPort(), PrivateServer->DefaultPort()};
}

// Going online and offline.

QList<int> ChatSession::StartNetwork()
{
    QList<int> failed;
    for (TIdUDPServer *server : {IdUDPServer1, IdUDPServer2, PrivateServer}) {
        try {
            server->setActive(true);
        } catch (const AppError &) {
            failed.append(server->DefaultPort());
        }
    }
    return failed;
}

void ChatSession::GoOnline()
{
    PresenceTimer->start();
    m_ownColorIndex = NoticeColorIndex;
    IdUDPClient1->SendText(EntryNotice(m_ownNick));
    m_ownColorIndex = Settings().FontColorIndex;
    IdUDPClient2->SendText(PresenceAnnouncement(m_ownColorIndex, m_ownNick));
}

void ChatSession::AnnouncePresence()
{
    try {
        m_ownColorIndex = Settings().FontColorIndex;
        IdUDPClient2->SendText(PresenceAnnouncement(m_ownColorIndex, m_ownNick));
    } catch (const AppError &) {
        // The next tick announces again.
    }
}

void ChatSession::SendLeaveNotice()
{
    try {
        m_ownColorIndex = NoticeColorIndex;
        IdUDPClient1->SendText(LeaveNotice(m_ownNick));
        QThread::msleep(200);
    } catch (const AppError &) {
        // Peers forget a silent user by themselves.
    }
}

void ChatSession::CloseListeners()
{
    PresenceTimer->stop();
    for (TIdUDPServer *server : {IdUDPServer1, IdUDPServer2, PrivateServer}) {
        try {
            server->setActive(false);
        } catch (const AppError &) {
            // Closing never stops the exit.
        }
    }
}

// Sending.

void ChatSession::SendPublic(const QString &text)
{
    const int colorIndex = Settings().FontColorIndex;
    const QString datagram = PublicMessage(colorIndex, m_ownNick, text);
    refuseTooLong(datagram);
    m_ownColorIndex = colorIndex;
    IdUDPClient1->SendText(datagram);
}

void ChatSession::SendPrivate(const QString &recipientItem, const QString &text)
{
    const Recipient to = SplitRecipientItem(recipientItem);
    const QString datagram = PrivateMessage(m_ownColorIndex, m_ownNick, to.Nick, text);
    refuseTooLong(datagram);
    PrivateClient->Host = to.IP;
    PrivateClient->SendText(datagram);
    record(m_ownNick, to.Nick, text, false);
    const ChatSettings settings = Settings();
    Q_EMIT privateMessage(
        PrivateHeader(m_ownNick, to.Nick, false, settings.Lines, timeNow(), m_ownIP), text,
        settings.FontColorIndex);
}

void ChatSession::RecordPrivateLine(const QString &peerNick, const QString &text, bool incoming)
{
    if (incoming)
        record(peerNick, m_ownNick, text, true);
    else
        record(m_ownNick, peerNick, text, false);
}

// Receiving.

void ChatSession::PublicRead(const QByteArray &data, TIdSocketHandle *binding)
{
    if (data.isEmpty())
        return; // answering a reply would start an endless exchange
    const DatagramParts parts = SplitDatagram(DatagramText(data));
    const QString &payload = parts.Payload;
    const QString sender = binding->SenderIP;
    const ChatSettings settings = Settings();
    int k = 0;
    if (sender == m_ownIP)
        k = settings.FontColorIndex;
    else if (settings.IgnoreIncomingColors)
        k = settings.IncomingColorIndex;
    else
        k = ColorNumber(parts);
    const bool notice = IsSystemNotice(payload);
    if (notice)
        k = settings.NoticeColorIndex;
    colors::rgbAt(k); // a number without a colour shows nothing and gets no reply

    const QString senderNick = PublicSenderNick(payload);
    const bool mayAlert = senderNick != m_ownNick;
    if (mayAlert && !notice && NamesNick(PublicText(payload), m_ownNick))
        Q_EMIT nickMentioned(senderNick, PublicText(payload));
    Q_EMIT publicLine(PublicLine(payload, notice, settings.Lines, timeNow(), sender), k);
    binding->Transmit(sender, binding->SenderPort, QByteArray());
    if (settings.RaiseOnPublic && mayAlert)
        Q_EMIT publicAlert();
    if (settings.SoundOnPublic && mayAlert)
        Q_EMIT soundRequested(QStringLiteral("MsgRcvd.wav"));
}

void ChatSession::SystemRead(const QByteArray &data, TIdSocketHandle *binding)
{
    if (data.isEmpty())
        return;
    const DatagramParts parts = SplitDatagram(DatagramText(data));
    m_users.Announce(parts.Payload, ColorNumber(parts), binding->SenderIP);
    binding->Transmit(binding->SenderIP, binding->SenderPort, QByteArray());
}

void ChatSession::PrivateRead(const QByteArray &data, TIdSocketHandle *binding)
{
    if (data.isEmpty())
        return;
    const DatagramParts parts = SplitDatagram(DatagramText(data));
    const ChatSettings settings = Settings();
    const int k = settings.IgnoreIncomingColors ? settings.IncomingColorIndex : ColorNumber(parts);
    colors::rgbAt(k);
    const PrivatePayload message = SplitPrivatePayload(parts.Payload);
    const bool notice = IsSystemNotice(parts.Payload);
    const bool mayAlert = message.SenderNick != m_ownNick;
    if (mayAlert)
        Q_EMIT privateReceived(message.SenderNick, message.Body);
    Q_EMIT privateMessage(PrivateHeader(message.SenderNick, m_ownNick, notice, settings.Lines,
                                        timeNow(), binding->SenderIP),
                          message.Body, k);
    record(message.SenderNick, m_ownNick, message.Body, true);

    if (settings.OpenOnPrivate && mayAlert)
        Q_EMIT openPrivateWindow();
    if (settings.SoundOnPrivate && mayAlert)
        Q_EMIT soundRequested(QStringLiteral("PrivateMsgRcvd.wav"));
    if (!settings.OpenOnPrivate)
        Q_EMIT privateUnseen();
}

void ChatSession::RequestSound(const QString &fileName)
{
    Q_EMIT soundRequested(fileName);
}

// The user list.

void ChatSession::RefreshUsers()
{
    m_users.Sort();
    const auto users = m_users.Users();
    m_listed = QList<UsrInfo>(users.begin(), users.end());
    const QStringList items = RecipientItems(m_users, m_ownIP);
    m_users.Free();
    Q_EMIT usersRefreshed(m_listed, items);
}

QString ChatSession::RecipientItemFor(const QString &nick) const
{
    // Heard since the last refresh first, then listed at it.
    for (const UsrInfo &user : m_users.Users())
        if (user.Nick == nick)
            return RecipientItem(user);
    for (const UsrInfo &user : m_listed)
        if (user.Nick == nick)
            return RecipientItem(user);
    return {};
}

bool ChatSession::IsUserAt(const QString &nick, const QString &ip) const
{
    const auto here = [&](const UsrInfo &user) { return user.Nick == nick && user.IP == ip; };
    return std::ranges::any_of(m_users.Users(), here) || std::ranges::any_of(m_listed, here);
}

void ChatSession::record(const QString &sender, const QString &receiver, const QString &text,
                         bool incoming)
{
    if (!m_store)
        return;
    // A store that cannot take the record hides no message: it is shown and alerted as ever.
    try {
        m_store->AppendHistoryRecord(sender, receiver, text, incoming);
    } catch (const AppError &error) {
        ReportHistoryFailure({HistoryFault::Other, error.message()});
    }
}

// The lines show whole seconds: the local time is worked out once a second rather than for
// every line of a busy chat, since each conversion consults the time zone.
QString ChatSession::timeNow() const
{
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    if (second != m_timeSecond) {
        m_timeSecond = second;
        m_timeText = ConversationTimeText(QDateTime::fromSecsSinceEpoch(second));
    }
    return m_timeText;
}
