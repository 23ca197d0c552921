#include "Transfer.h"

#include <QTimer>

#include <cstddef>
#include <utility>

#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace transfer
{

Transfer::Transfer(QString token, Direction direction, QHostAddress peer, quint16 peerPort,
                   DatagramSender sender, QObject *parent)
    : QObject(parent), m_token(std::move(token)), m_direction(direction), m_peer(std::move(peer)),
      m_peerPort(peerPort), m_sender(std::move(sender))
{
}

Transfer::~Transfer()
{
    if (m_socket)
        m_socket->abort();
}

void Transfer::sendDatagram(DatagramKind kind, quint16 port)
{
    TransferDatagram datagram;
    datagram.kind = kind;
    datagram.token = m_token;
    datagram.port = port;
    sendDatagram(datagram);
}

void Transfer::sendDatagram(const TransferDatagram &datagram)
{
    m_sender(datagram, m_peer, m_peerPort);
}

void Transfer::attach(QTcpSocket *socket)
{
    m_socket = socket;
    socket->setParent(this);
    socket->setReadBufferSize(BufferLimit);
}

void Transfer::writeFrame(FrameType type, const QByteArray &payload)
{
    m_socket->write(BuildFrameHeader(type, quint32(payload.size())));
    if (!payload.isEmpty())
        m_socket->write(payload);
}

std::optional<std::pair<FrameHeader, QByteArray>> Transfer::readSmallFrame()
{
    if (m_socket->bytesAvailable() < FrameHeaderSize)
        return std::nullopt;
    const QByteArray head = m_socket->peek(FrameHeaderSize);
    const auto header = ParseFrameHeader(head);
    if (header && header->length <= 64 &&
        m_socket->bytesAvailable() < FrameHeaderSize + qint64(header->length))
        return std::nullopt;
    m_socket->skip(FrameHeaderSize);
    if (!header || header->length > 64)
        return std::pair{FrameHeader{FrameType(0), 0}, QByteArray()};
    return std::pair{*header, m_socket->read(header->length)};
}

void Transfer::setStallTimes(int shownMs, int failMs)
{
    m_stallShownMs = shownMs;
    m_stallFailMs = failMs;
}

void Transfer::watchProgress()
{
    if (m_stallCheck == nullptr) {
        m_stallCheck = new QTimer(this);
        m_stallCheck->setSingleShot(true);
        connect(m_stallCheck, &QTimer::timeout, this, &Transfer::checkStall);
    }
    m_lastMove.start();
    peerAcknowledgedMore();
    m_stallCheck->start(qMax(1, m_stallShownMs / 4));
}

// Only a time is taken per move; the timer looks at it when it runs out.
void Transfer::moved()
{
    m_lastMove.start();
    if (m_stalled) {
        m_stalled = false;
        Q_EMIT stalled(m_token, false);
    }
}

// Looks at least four times per stall time, as the system's send queue can move unseen.
void Transfer::checkStall()
{
    if (m_ended)
        return;
    if (peerAcknowledgedMore())
        moved();
    const qint64 quiet = m_lastMove.elapsed();
    if (quiet >= m_stallFailMs) {
        stallFailed();
        return;
    }
    if (quiet >= m_stallShownMs && !m_stalled) {
        m_stalled = true;
        Q_EMIT stalled(m_token, true);
    }
    const qint64 due = quiet < m_stallShownMs ? m_stallShownMs : m_stallFailMs;
    m_stallCheck->start(int(qMin<qint64>(due - quiet, qMax(1, m_stallShownMs / 4))));
}

// The bytes the peer acknowledged are what moved on the way out: a slow link still drains the
// send queue with no signal to this program, while over a dead link the count stands still
// however often the system sends again.
bool Transfer::peerAcknowledgedMore()
{
    const qintptr socket = m_socket ? m_socket->socketDescriptor() : -1;
    tcp_info info{};
    socklen_t size = sizeof(info);
    if (socket < 0 || ::getsockopt(int(socket), IPPROTO_TCP, TCP_INFO, &info, &size) != 0 ||
        size < offsetof(tcp_info, tcpi_bytes_acked) + sizeof(info.tcpi_bytes_acked))
        return false;
    const auto acknowledged = qint64(info.tcpi_bytes_acked);
    return std::exchange(m_acknowledged, acknowledged) != acknowledged;
}

void Transfer::startClock(qint64 total)
{
    m_total = total;
    m_done = 0;
    m_clock.start();
    m_lastReport = -ProgressIntervalMs;
}

void Transfer::addDone(qint64 bytes)
{
    m_done += bytes;
    const qint64 now = m_clock.elapsed();
    if (now - m_lastReport < ProgressIntervalMs && m_done < m_total)
        return;
    m_lastReport = now;
    Q_EMIT progress(m_token, MakeProgress(m_done, m_total, now));
}

TransferEnd Transfer::ending(Outcome outcome) const
{
    TransferEnd end;
    end.outcome = outcome;
    end.direction = m_direction;
    return end;
}

TransferEnd Transfer::failure(Failure failure, const QString &fileName, const QString &detail) const
{
    TransferEnd end = ending(Outcome::Failed);
    end.failure = failure;
    end.fileName = fileName;
    end.detail = detail;
    return end;
}

void Transfer::finish(const TransferEnd &end, Close close)
{
    if (m_ended)
        return;
    m_ended = true;
    if (m_stallCheck)
        m_stallCheck->stop();
    if (m_socket)
        releaseSocket(close);
    Q_EMIT finished(m_token, end);
}

// The socket outlives the transfer when it must still send what is queued or wait for the
// peer to close first (a close with unread data would reset the peer's copy of our last
// frame).
void Transfer::releaseSocket(Close close)
{
    QTcpSocket *socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    // Our last frame goes to the system now, so it is sent even if this program ends at once.
    socket->flush();
    socket->setParent(parent());
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(LingerMs, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    switch (close) {
    case Close::Now:
        socket->abort();
        socket->deleteLater();
        break;
    case Close::AfterWrite:
        socket->disconnectFromHost();
        break;
    case Close::Linger:
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
        socket->readAll();
        break;
    }
}

} // namespace transfer
