#include "FileTransferService.h"
#include "IncomingTransfer.h"
#include "OutgoingTransfer.h"
#include "SafeFileName.h"
#include "TransferErrors.h"

#include <QFileInfo>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QNetworkProxy>
#include <QTcpSocket>

using namespace Qt::StringLiterals;

namespace transfer
{

namespace
{

bool SameAddress(const QHostAddress &a, const QHostAddress &b)
{
    return a.isEqual(b, QHostAddress::ConvertV4MappedToIPv4);
}

QString AddressKey(const QHostAddress &address)
{
    bool ok = false;
    const quint32 v4 = address.toIPv4Address(&ok);
    return ok ? QHostAddress(v4).toString() : address.toString();
}

} // namespace

FileTransferService::FileTransferService(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<transfer::IncomingOffer>();
    qRegisterMetaType<transfer::TransferProgress>();
    qRegisterMetaType<transfer::Direction>();
    qRegisterMetaType<transfer::Outcome>();
    qRegisterMetaType<transfer::TransferEnd>();
    m_clock.start();
    // The peers are on the local network: nothing goes through a proxy, and no proxy
    // configuration is looked up.
    m_server.setProxy(QNetworkProxy::NoProxy);
    m_udp.setProxy(QNetworkProxy::NoProxy);
    m_announceTimer.setInterval(AnnounceIntervalMs);
    connect(&m_announceTimer, &QTimer::timeout, this, &FileTransferService::announce);
    connect(&m_udp, &QUdpSocket::readyRead, this, &FileTransferService::readDatagrams);
    connect(&m_server, &QTcpServer::newConnection, this, &FileTransferService::takeConnection);
}

FileTransferService::~FileTransferService()
{
    stop();
}

void FileTransferService::start(const TransferOptions &options)
{
    stop();
    m_options = options;
    // Partials a killed copy left behind go before any new one is made.
    m_journal.open(options.partialJournal);
    m_ownAddresses.clear();
    for (const QHostAddress &address : QNetworkInterface::allAddresses())
        m_ownAddresses.insert(AddressKey(address));
    if (!m_server.listen(QHostAddress::AnyIPv4, options.port) ||
        !m_udp.bind(QHostAddress::AnyIPv4, m_server.serverPort(),
                    QAbstractSocket::DontShareAddress)) {
        const QString why = m_server.isListening() ? m_udp.errorString() : m_server.errorString();
        m_server.close();
        throw ETransferError(TransferFault::PortUnavailable, QString::number(options.port), why);
    }
    m_announceTimer.start();
    announce();
}

void FileTransferService::stop()
{
    cancelAll();
    m_announceTimer.stop();
    m_udp.close();
    m_server.close();
}

void FileTransferService::announceTo(const QHostAddress &address, quint16 port)
{
    TransferDatagram datagram;
    datagram.kind = DatagramKind::Announce;
    datagram.port = this->port();
    datagram.nick = m_options.nick;
    sendDatagram(datagram, address, port);
}

quint16 FileTransferService::peerPort(const QHostAddress &address) const
{
    const auto it = m_peers.constFind(AddressKey(address));
    if (it == m_peers.cend() || m_clock.elapsed() - it->heardAt > PeerLifetimeMs)
        return 0;
    return it->port;
}

QString FileTransferService::offerFiles(const QHostAddress &address, quint16 port,
                                        const QStringList &paths)
{
    QList<OutgoingTransfer::Source> sources;
    TransferDatagram offer;
    offer.kind = DatagramKind::Offer;
    offer.nick = m_options.nick;
    offer.token = NewToken();
    for (const QString &path : paths) {
        const QFileInfo info(path);
        QFile probe(path);
        if (!info.isFile() || !probe.open(QIODevice::ReadOnly))
            throw ETransferError(TransferFault::FileUnreadable, path);
        sources.append({info.absoluteFilePath(), info.fileName(), info.size()});
        offer.files.append({info.fileName(), info.size()});
    }
    if (sources.isEmpty())
        throw ETransferError(TransferFault::NoFiles);
    const QByteArray bytes = BuildDatagram(offer);
    if (m_udp.writeDatagram(bytes, address, port) != bytes.size())
        throw ETransferError(TransferFault::OfferNotSent, {}, m_udp.errorString());
    auto *transfer =
        new OutgoingTransfer(offer.token, address, port, sources, datagramSender(), this);
    transfer->expireAfter(m_offerLifetimeMs);
    transfer->repeatOffer(offer, m_offerRepeatMs);
    track(transfer);
    return offer.token;
}

void FileTransferService::accept(const QString &token, const QString &folder)
{
    IncomingTransfer *transfer = incoming(token);
    if (transfer == nullptr)
        return;
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isWritable())
        throw ETransferError(TransferFault::FolderNotWritable, folder);
    transfer->accept(info.absoluteFilePath(), port());
}

void FileTransferService::decline(const QString &token)
{
    if (IncomingTransfer *transfer = incoming(token))
        transfer->decline();
}

void FileTransferService::cancel(const QString &token)
{
    if (Transfer *transfer = m_transfers.value(token))
        transfer->cancel();
}

void FileTransferService::cancelAll()
{
    const auto transfers = m_transfers.values();
    for (Transfer *transfer : transfers)
        transfer->cancel();
}

void FileTransferService::setStallTimes(int shownMs, int failMs)
{
    m_stallShownMs = shownMs;
    m_stallFailMs = failMs;
}

void FileTransferService::readDatagrams()
{
    while (m_udp.hasPendingDatagrams()) {
        const QNetworkDatagram received = m_udp.receiveDatagram(MaxDatagramSize + 1);
        const auto datagram = ParseDatagram(received.data());
        if (datagram)
            handleDatagram(*datagram, received.senderAddress(), quint16(received.senderPort()),
                           received.data().size());
    }
}

void FileTransferService::handleDatagram(const TransferDatagram &datagram, const QHostAddress &from,
                                         quint16 fromPort, qsizetype size)
{
    if (datagram.kind == DatagramKind::Announce) {
        handleAnnounce(datagram, from, fromPort, size);
        return;
    }
    if (datagram.kind == DatagramKind::Offer) {
        handleOffer(datagram, from);
        return;
    }
    Transfer *transfer = m_transfers.value(datagram.token);
    if (transfer == nullptr || !SameAddress(transfer->peer(), from))
        return;
    OutgoingTransfer *sending = outgoing(datagram.token);
    if (datagram.kind == DatagramKind::Cancel)
        transfer->peerCancelled();
    else if (sending != nullptr && datagram.kind == DatagramKind::Accept &&
             !m_options.chatPorts.contains(datagram.port))
        sending->accepted(datagram.port);
    else if (sending != nullptr && datagram.kind == DatagramKind::Decline)
        sending->declined();
}

// Only a chat user's copy is heard, from the file port it names, which must not be one of the
// chat's. The first port heard from an address holds while it is refreshed, so a forged
// announcement cannot move a user's file port elsewhere.
void FileTransferService::handleAnnounce(const TransferDatagram &datagram, const QHostAddress &from,
                                         quint16 fromPort, qsizetype size)
{
    const QString key = AddressKey(from);
    // The own broadcast comes back too: this copy is no peer of its own.
    if (datagram.port == port() && m_ownAddresses.contains(key))
        return;
    if (fromPort != datagram.port || m_options.chatPorts.contains(datagram.port) ||
        !isChatUser(from, datagram.nick))
        return;
    const quint16 known = peerPort(from);
    if (known != 0 && known != datagram.port)
        return;
    m_peers[key] = {datagram.port, datagram.nick, m_clock.elapsed()};
    if (known != 0)
        return;
    answerAnnouncement(from, fromPort, size);
    Q_EMIT peersChanged();
}

// A copy that just appeared learns about this one at once rather than at the next broadcast,
// but only once per peer lifetime and only when the answer is no longer than what asked for
// it: a forged announcement gains its sender nothing.
void FileTransferService::answerAnnouncement(const QHostAddress &from, quint16 fromPort,
                                             qsizetype size)
{
    const QString key = AddressKey(from);
    const qint64 now = m_clock.elapsed();
    const auto answered = m_answeredAt.constFind(key);
    if (answered != m_answeredAt.cend() && now - *answered <= PeerLifetimeMs)
        return;
    TransferDatagram datagram;
    datagram.kind = DatagramKind::Announce;
    datagram.port = port();
    datagram.nick = m_options.nick;
    if (BuildDatagram(datagram).size() > size)
        return;
    m_answeredAt.insert(key, now);
    sendDatagram(datagram, from, fromPort);
}

// An offer is taken only from a chat user's copy that announced itself from the same address
// under the same nick; the answers go to the file port it announced.
void FileTransferService::handleOffer(const TransferDatagram &datagram, const QHostAddress &from)
{
    const quint16 filePort = peerPort(from);
    if (filePort == 0 || m_peers.value(AddressKey(from)).nick != datagram.nick ||
        m_transfers.contains(datagram.token) || !isChatUser(from, datagram.nick) || !mayOffer(from))
        return;
    IncomingOffer offer{datagram.token, from, datagram.nick, {}};
    for (const OfferedFile &file : datagram.files)
        offer.files.append({SafeFileName(file.name), file.size});
    auto *transfer = new IncomingTransfer(offer, filePort, datagramSender(), m_journal, this);
    transfer->expireAfter(m_offerLifetimeMs);
    track(transfer);
    Q_EMIT offerReceived(offer);
}

bool FileTransferService::isChatUser(const QHostAddress &address, const QString &nick) const
{
    return m_options.isChatUser && m_options.isChatUser(address, nick);
}

// Offers beyond the caps or beyond the sender's bucket are dropped unanswered.
bool FileTransferService::mayOffer(const QHostAddress &from)
{
    if (m_transfers.size() >= MaxIncomingOffers || offersWaitingFrom(from) >= MaxOffersPerSender)
        return false;
    OfferBucket &bucket = m_offerBuckets[AddressKey(from)];
    const qint64 now = m_clock.elapsed();
    bucket.tokens =
        qMin<double>(OfferBurst, bucket.tokens + double(now - bucket.filledAt) / OfferRefillMs);
    bucket.filledAt = now;
    if (bucket.tokens < 1)
        return false;
    bucket.tokens -= 1;
    return true;
}

int FileTransferService::offersWaitingFrom(const QHostAddress &from) const
{
    int count = 0;
    for (Transfer *transfer : m_transfers) {
        const auto *taken = qobject_cast<IncomingTransfer *>(transfer);
        count += taken != nullptr && taken->awaitsAnswer() && SameAddress(taken->peer(), from);
    }
    return count;
}

bool FileTransferService::awaitsConnectionFrom(const QHostAddress &from) const
{
    for (Transfer *transfer : m_transfers) {
        const auto *taken = qobject_cast<IncomingTransfer *>(transfer);
        if (taken != nullptr && taken->awaitsConnection() && SameAddress(taken->peer(), from))
            return true;
    }
    return false;
}

void FileTransferService::sendDatagram(const TransferDatagram &datagram, const QHostAddress &to,
                                       quint16 port)
{
    if (m_udp.state() == QAbstractSocket::BoundState && !m_options.chatPorts.contains(port))
        m_udp.writeDatagram(BuildDatagram(datagram), to, port);
}

void FileTransferService::announce()
{
    forgetSilentPeers();
    if (!m_options.announceTo.isNull())
        announceTo(m_options.announceTo, port());
}

void FileTransferService::forgetSilentPeers()
{
    const qint64 now = m_clock.elapsed();
    const auto silent = [now](const Peer &peer) { return now - peer.heardAt > PeerLifetimeMs; };
    m_answeredAt.removeIf([now](const auto &item) { return now - item.value() > PeerLifetimeMs; });
    m_offerBuckets.removeIf([now](const auto &item) {
        return now - item.value().filledAt > OfferBurst * OfferRefillMs;
    });
    if (m_peers.removeIf([&](const auto &item) { return silent(item.value()); }) > 0)
        Q_EMIT peersChanged();
}

// A connection is only waited for from an address with an accepted offer awaiting it, a few
// at a time per address, and only for the hello wait.
void FileTransferService::takeConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        const QHostAddress from = socket->peerAddress();
        const QString key = AddressKey(from);
        if (m_waitingConnections >= MaxWaitingConnections ||
            m_waitingFrom.value(key) >= MaxWaitingPerAddress || !awaitsConnectionFrom(from)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_waitingConnections;
        ++m_waitingFrom[key];
        socket->setProperty("waitingKey", key);
        socket->setParent(this);
        auto *timer = new QTimer(socket);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, socket, &QTcpSocket::abort);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { checkHello(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            releaseWaiting(socket);
            socket->deleteLater();
        });
        timer->start(m_helloWaitMs);
        checkHello(socket);
    }
}

// The first frame must be the token of an offer accepted here, from the address it came from;
// anything else closes the connection.
void FileTransferService::checkHello(QTcpSocket *socket)
{
    if (socket->bytesAvailable() < FrameHeaderSize + TokenLength)
        return;
    const auto header = ParseFrameHeader(socket->read(FrameHeaderSize));
    const QString token = QString::fromLatin1(socket->read(TokenLength));
    IncomingTransfer *transfer =
        header && header->type == FrameType::Token && IsToken(token) ? incoming(token) : nullptr;
    if (transfer == nullptr || !transfer->awaitsConnection() ||
        !SameAddress(transfer->peer(), socket->peerAddress())) {
        socket->abort();
        return;
    }
    releaseWaiting(socket);
    qDeleteAll(socket->findChildren<QTimer *>(Qt::FindDirectChildrenOnly));
    transfer->adopt(socket);
}

void FileTransferService::releaseWaiting(QTcpSocket *socket)
{
    socket->disconnect(this);
    --m_waitingConnections;
    const QString key = socket->property("waitingKey").toString();
    if (--m_waitingFrom[key] <= 0)
        m_waitingFrom.remove(key);
}

void FileTransferService::track(Transfer *transfer)
{
    m_transfers.insert(transfer->token(), transfer);
    transfer->setStallTimes(m_stallShownMs, m_stallFailMs);
    connect(transfer, &Transfer::stalled, this, &FileTransferService::stalled);
    connect(transfer, &Transfer::progress, this, &FileTransferService::progress);
    connect(transfer, &Transfer::fileTransferred, this, &FileTransferService::fileTransferred);
    connect(transfer, &Transfer::finished, this,
            [this, transfer](const QString &token, const TransferEnd &end) {
                m_transfers.remove(token);
                transfer->deleteLater();
                Q_EMIT finished(token, end);
            });
}

IncomingTransfer *FileTransferService::incoming(const QString &token) const
{
    return qobject_cast<IncomingTransfer *>(m_transfers.value(token));
}

OutgoingTransfer *FileTransferService::outgoing(const QString &token) const
{
    return qobject_cast<OutgoingTransfer *>(m_transfers.value(token));
}

DatagramSender FileTransferService::datagramSender()
{
    return [this](const TransferDatagram &datagram, const QHostAddress &to, quint16 port) {
        sendDatagram(datagram, to, port);
    };
}

} // namespace transfer
