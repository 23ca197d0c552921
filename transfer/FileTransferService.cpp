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
    track(new OutgoingTransfer(offer.token, address, port, sources, datagramSender(), this));
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
            handleDatagram(*datagram, received.senderAddress(), quint16(received.senderPort()));
    }
}

void FileTransferService::handleDatagram(const TransferDatagram &datagram, const QHostAddress &from,
                                         quint16 fromPort)
{
    if (datagram.kind == DatagramKind::Announce) {
        handleAnnounce(datagram, from);
        return;
    }
    if (datagram.kind == DatagramKind::Offer) {
        handleOffer(datagram, from, fromPort);
        return;
    }
    Transfer *transfer = m_transfers.value(datagram.token);
    if (transfer == nullptr || !SameAddress(transfer->peer(), from))
        return;
    OutgoingTransfer *sending = outgoing(datagram.token);
    if (datagram.kind == DatagramKind::Cancel)
        transfer->peerCancelled();
    else if (sending != nullptr && datagram.kind == DatagramKind::Accept)
        sending->accepted(datagram.port);
    else if (sending != nullptr && datagram.kind == DatagramKind::Decline)
        sending->declined();
}

void FileTransferService::handleAnnounce(const TransferDatagram &datagram, const QHostAddress &from)
{
    // The own broadcast comes back too: this copy is no peer of its own.
    if (datagram.port == port() && m_ownAddresses.contains(AddressKey(from)))
        return;
    const QString key = AddressKey(from);
    const bool known = peerPort(from) == datagram.port;
    m_peers[key] = {datagram.port, datagram.nick, m_clock.elapsed()};
    if (known)
        return;
    // A copy that just appeared learns about this one at once, not at the next broadcast.
    announceTo(from, datagram.port);
    Q_EMIT peersChanged();
}

void FileTransferService::handleOffer(const TransferDatagram &datagram, const QHostAddress &from,
                                      quint16 fromPort)
{
    if (m_transfers.contains(datagram.token) || m_transfers.size() >= MaxIncomingOffers)
        return;
    IncomingOffer offer{datagram.token, from, datagram.nick, {}};
    for (const OfferedFile &file : datagram.files)
        offer.files.append({SafeFileName(file.name), file.size});
    track(new IncomingTransfer(offer, fromPort, datagramSender(), m_journal, this));
    Q_EMIT offerReceived(offer);
}

void FileTransferService::sendDatagram(const TransferDatagram &datagram, const QHostAddress &to,
                                       quint16 port)
{
    if (m_udp.state() == QAbstractSocket::BoundState)
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
    if (m_peers.removeIf([&](const auto &item) { return silent(item.value()); }) > 0)
        Q_EMIT peersChanged();
}

void FileTransferService::takeConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        if (m_waitingConnections >= MaxWaitingConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_waitingConnections;
        socket->setParent(this);
        auto *timer = new QTimer(socket);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, socket, &QTcpSocket::abort);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { checkHello(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            --m_waitingConnections;
            socket->disconnect(this);
            socket->deleteLater();
        });
        timer->start(HelloWaitMs);
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
    --m_waitingConnections;
    socket->disconnect(this);
    qDeleteAll(socket->findChildren<QTimer *>(Qt::FindDirectChildrenOnly));
    transfer->adopt(socket);
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
