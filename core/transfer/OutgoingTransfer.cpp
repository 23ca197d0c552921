#include "OutgoingTransfer.h"

#include <QNetworkProxy>

namespace transfer
{

OutgoingTransfer::OutgoingTransfer(QString token, QHostAddress peer, quint16 peerPort,
                                   QList<Source> files, DatagramSender sender, QObject *parent)
    : Transfer(std::move(token), Direction::Outgoing, std::move(peer), peerPort, std::move(sender),
               parent),
      m_files(std::move(files))
{
    m_answerWait.setSingleShot(true);
    connect(&m_answerWait, &QTimer::timeout, this, [this] {
        if (m_state != State::Offered)
            return;
        m_state = State::Ended;
        sendDatagram(DatagramKind::Cancel);
        TransferEnd expired = ending(Outcome::Expired);
        expired.waitedMs = m_lifetimeMs;
        finish(expired);
    });
    m_repeat.setSingleShot(true);
    connect(&m_repeat, &QTimer::timeout, this, [this] {
        if (m_state != State::Offered)
            return;
        sendDatagram(m_offer);
        if (--m_repeatsLeft > 0)
            m_repeat.start(m_repeat.interval() * 2);
    });
}

void OutgoingTransfer::expireAfter(int ms)
{
    m_lifetimeMs = ms;
    m_answerWait.start(ms + ms / 10);
}

void OutgoingTransfer::repeatOffer(const TransferDatagram &offer, int firstMs)
{
    m_offer = offer;
    m_repeatsLeft = RepeatCount;
    m_repeat.start(firstMs);
}

OutgoingTransfer::~OutgoingTransfer() = default;

void OutgoingTransfer::accepted(quint16 dataPort)
{
    if (m_state != State::Offered)
        return;
    m_state = State::Connecting;
    auto *socket = new QTcpSocket(this);
    socket->setProxy(QNetworkProxy::NoProxy); // a peer on the local network
    attach(socket);
    connect(socket, &QTcpSocket::connected, this, &OutgoingTransfer::connected);
    connect(socket, &QTcpSocket::bytesWritten, this, &OutgoingTransfer::pump);
    connect(socket, &QTcpSocket::readyRead, this, &OutgoingTransfer::readFrames);
    connect(socket, &QTcpSocket::disconnected, this, &OutgoingTransfer::connectionGone);
    connect(socket, &QTcpSocket::errorOccurred, this, &OutgoingTransfer::connectionGone);
    socket->connectToHost(peer(), dataPort);
    watchProgress();
}

void OutgoingTransfer::declined()
{
    if (m_state != State::Offered)
        return;
    m_state = State::Ended;
    finish(ending(Outcome::Declined));
}

void OutgoingTransfer::cancel()
{
    if (m_state == State::Ended)
        return;
    if (m_state == State::Sending) {
        writeFrame(FrameType::Cancel);
        m_socket->readAll();
    }
    sendDatagram(DatagramKind::Cancel);
    const State was = m_state;
    m_state = State::Ended;
    finish(ending(Outcome::Cancelled), was == State::Sending ? Close::AfterWrite : Close::Now);
}

void OutgoingTransfer::peerCancelled()
{
    if (m_state != State::Offered && m_state != State::Connecting)
        return;
    m_state = State::Ended;
    finish(ending(Outcome::CancelledByPeer));
}

void OutgoingTransfer::connected()
{
    m_state = State::Sending;
    qint64 total = 0;
    for (const Source &file : m_files)
        total += file.size;
    startClock(total);
    writeFrame(FrameType::Token, token().toLatin1());
    pump();
}

// Handing bytes to the system is no progress by itself: only what the receiver acknowledges
// or answers is.
void OutgoingTransfer::pump()
{
    while (m_state == State::Sending && m_socket->bytesToWrite() < BufferLimit &&
           m_reading < m_files.size()) {
        if (!sendNextPiece())
            return;
    }
}

// One data frame of the current file, or its digest once all of it went.
bool OutgoingTransfer::sendNextPiece()
{
    const Source &source = m_files[m_reading];
    if (!m_file.isOpen()) {
        m_file.setFileName(source.path);
        if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            failHere(FailureReason::ReadFailed);
            return false;
        }
        m_left = source.size;
    }
    if (m_left == 0) {
        writeFrame(FrameType::Digest, m_hash.result());
        m_file.close();
        ++m_reading;
        return true;
    }
    // A fresh block each time: the socket queues the block itself instead of a copy of it.
    QByteArray piece(qMin(m_left, ChunkSize), Qt::Uninitialized);
    const qint64 read = m_file.read(piece.data(), piece.size());
    if (read <= 0) {
        failHere(FailureReason::ReadFailed);
        return false;
    }
    piece.truncate(read);
    m_hash.addData(piece.constData(), read);
    m_socket->write(BuildFrameHeader(FrameType::Data, quint32(read)));
    m_socket->write(piece);
    m_left -= read;
    addDone(read);
    return true;
}

void OutgoingTransfer::readFrames()
{
    moved();
    while (m_state == State::Sending) {
        const auto frame = readSmallFrame();
        if (!frame)
            return;
        const auto &[header, payload] = *frame;
        if (header.type == FrameType::FileDone && m_confirmed < m_reading) {
            const Source &file = m_files[m_confirmed++];
            Q_EMIT fileTransferred(token(), Direction::Outgoing, file.name, file.size, file.path);
            if (m_confirmed == m_files.size()) {
                m_state = State::Ended;
                finish(ending(Outcome::Done), Close::AfterWrite);
            }
        } else if (header.type == FrameType::Failure) {
            m_state = State::Ended;
            finish(failure(FailureFrom(FailureReason(payload[0])), confirmingName()));
        } else if (header.type == FrameType::Cancel) {
            m_state = State::Ended;
            finish(ending(Outcome::CancelledByPeer));
        } else {
            failHere(FailureReason::Protocol);
        }
    }
}

void OutgoingTransfer::connectionGone()
{
    if (m_state == State::Sending && m_socket)
        readFrames();
    if (m_state == State::Connecting) {
        const QString why = m_socket ? m_socket->errorString() : QString();
        m_state = State::Ended;
        sendDatagram(DatagramKind::Cancel);
        finish(failure(Failure::ConnectFailed, {}, why));
    } else if (m_state == State::Sending) {
        m_state = State::Ended;
        finish(failure(Failure::Dropped, confirmingName()));
    }
}

void OutgoingTransfer::failHere(FailureReason reason)
{
    m_state = State::Ended;
    writeFrame(FrameType::Failure, QByteArray(1, char(reason)));
    m_socket->readAll();
    const QString name =
        reason == FailureReason::ReadFailed ? m_files[m_reading].name : confirmingName();
    finish(failure(FailureFrom(reason), name), Close::AfterWrite);
}

// A receiver that went silent, connected or not, is told so if it can still hear.
void OutgoingTransfer::stallFailed()
{
    if (m_state == State::Sending) {
        failHere(FailureReason::Stalled);
    } else if (m_state == State::Connecting) {
        m_state = State::Ended;
        sendDatagram(DatagramKind::Cancel);
        finish(failure(Failure::Stalled, confirmingName()));
    }
}

QString OutgoingTransfer::confirmingName() const
{
    return m_files[qMin(m_confirmed, int(m_files.size()) - 1)].name;
}

} // namespace transfer
