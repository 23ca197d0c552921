#include "IncomingTransfer.h"
#include "DownloadFolder.h"
#include "SafeFileName.h"

#include <QFileInfo>

#include <cerrno>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace transfer
{

namespace
{

QString PartName(const QString &name)
{
    return name + PartSuffix.toString();
}

FailureReason CreateFailure(int error)
{
    return error == ENOSPC || error == EDQUOT ? FailureReason::DiskFull
                                              : FailureReason::WriteFailed;
}

} // namespace

IncomingTransfer::IncomingTransfer(IncomingOffer offer, quint16 peerPort, DatagramSender sender,
                                   PartialJournal &journal, QObject *parent)
    : Transfer(offer.token, Direction::Incoming, offer.sender, peerPort, std::move(sender), parent),
      m_offer(std::move(offer)), m_journal(journal)
{
    m_connectWait.setSingleShot(true);
    m_connectWait.setInterval(ConnectWaitMs);
    connect(&m_connectWait, &QTimer::timeout, this, [this] {
        sendDatagram(DatagramKind::Cancel);
        end(failure(Failure::NotConnected, {}), Close::Now);
    });
    m_answerWait.setSingleShot(true);
    connect(&m_answerWait, &QTimer::timeout, this, [this] {
        if (m_state != State::Offered)
            return;
        TransferEnd expired = ending(Outcome::Expired);
        expired.waitedMs = m_answerWait.interval();
        end(expired, Close::Now);
    });
}

void IncomingTransfer::expireAfter(int ms)
{
    m_answerWait.start(ms);
}

IncomingTransfer::~IncomingTransfer()
{
    removePart();
}

void IncomingTransfer::removePart()
{
    if (m_partPending) {
        m_part.close();
        m_folder->remove(m_partName);
        m_journal.remove(m_folder->filePath(m_partName));
    }
    m_partPending = false;
}

void IncomingTransfer::accept(const QString &folder, quint16 dataPort)
{
    if (m_state != State::Offered)
        return;
    m_folder = std::make_unique<DownloadFolder>(folder);
    m_state = State::Accepted;
    m_connectWait.start();
    sendDatagram(DatagramKind::Accept, dataPort);
}

void IncomingTransfer::decline()
{
    if (m_state != State::Offered)
        return;
    sendDatagram(DatagramKind::Decline);
    end(ending(Outcome::Declined), Close::Now);
}

void IncomingTransfer::adopt(QTcpSocket *socket)
{
    m_connectWait.stop();
    m_state = State::Receiving;
    attach(socket);
    connect(socket, &QTcpSocket::readyRead, this, &IncomingTransfer::readFrames);
    connect(socket, &QTcpSocket::disconnected, this, &IncomingTransfer::connectionGone);
    connect(socket, &QTcpSocket::errorOccurred, this, &IncomingTransfer::connectionGone);
    m_buffer.reserve(WriteBatch);
    startClock(m_offer.totalSize());
    watchProgress();
    startFile();
    if (m_state == State::Receiving)
        readFrames();
}

void IncomingTransfer::cancel()
{
    if (m_state == State::Ended)
        return;
    if (m_state == State::Receiving) {
        writeFrame(FrameType::Cancel);
        end(ending(Outcome::Cancelled), Close::Linger);
        return;
    }
    sendDatagram(m_state == State::Offered ? DatagramKind::Decline : DatagramKind::Cancel);
    end(ending(Outcome::Cancelled), Close::Now);
}

void IncomingTransfer::peerCancelled()
{
    if (m_state == State::Ended)
        return;
    end(ending(Outcome::CancelledByPeer), Close::Now);
}

void IncomingTransfer::readFrames()
{
    moved();
    while (m_state == State::Receiving && m_socket) {
        if (!m_header && !takeHeader())
            return;
        if (m_header->type == FrameType::Data) {
            if (!takeData())
                return;
            continue;
        }
        if (m_socket->bytesAvailable() < m_header->length)
            return;
        const FrameHeader header = *m_header;
        m_header.reset();
        const QByteArray payload = m_socket->read(header.length);
        if (header.type == FrameType::Digest)
            completeFile(payload);
        else if (header.type == FrameType::Failure)
            end(failure(FailureFrom(FailureReason(payload[0])), currentName()), Close::Linger);
        else
            end(ending(Outcome::CancelledByPeer), Close::Linger);
    }
}

// Reads and checks the next frame header; false when it is not all there yet or was refused.
bool IncomingTransfer::takeHeader()
{
    if (m_socket->bytesAvailable() < FrameHeaderSize)
        return false;
    const auto header = ParseFrameHeader(m_socket->read(FrameHeaderSize));
    const bool fits =
        header && (header->type == FrameType::Data ? header->length <= m_left
                   : header->type == FrameType::Digest
                       ? m_left == 0
                       : header->type == FrameType::Failure || header->type == FrameType::Cancel);
    if (!fits) {
        failHere(FailureReason::Protocol);
        return false;
    }
    m_header = header;
    m_payloadLeft = header->length;
    return true;
}

// Moves what has arrived of a data frame towards the file; false when nothing more is there.
// Pieces are gathered up to WriteBatch bytes, so the disk sees few large writes however the
// network cuts the stream.
bool IncomingTransfer::takeData()
{
    const qint64 available = m_socket->bytesAvailable();
    if (available == 0)
        return false;
    const qsizetype held = m_buffer.size();
    const qint64 want = qMin<qint64>(qMin<qint64>(m_payloadLeft, available), WriteBatch - held);
    m_buffer.resize(held + want);
    const qint64 read = m_socket->read(m_buffer.data() + held, want);
    m_buffer.resize(held + qMax<qint64>(read, 0));
    if (read <= 0)
        return false;
    m_hash.addData(m_buffer.constData() + held, read);
    m_left -= read;
    m_payloadLeft -= quint32(read);
    if (m_payloadLeft == 0)
        m_header.reset();
    if ((m_buffer.size() >= WriteBatch || m_left == 0) && !writeHeld())
        return false;
    addDone(read);
    return true;
}

bool IncomingTransfer::writeHeld()
{
    // A write cut short by a full disk reports no error; the next one tells why.
    qint64 written = 0;
    while (written < m_buffer.size()) {
        const qint64 step = m_part.write(m_buffer.constData() + written, m_buffer.size() - written);
        if (step <= 0)
            break;
        written += step;
    }
    const bool whole = written == m_buffer.size();
    m_buffer.resize(0);
    if (!whole)
        failWrite();
    return whole;
}

void IncomingTransfer::startFile()
{
    if (m_index == m_offer.files.size()) {
        end(ending(Outcome::Done), Close::AfterWrite);
        return;
    }
    const int fd = createPart(m_offer.files[m_index].name);
    if (fd < 0) {
        failHere(CreateFailure(errno));
        return;
    }
    if (!m_part.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                     QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        m_folder->remove(m_partName);
        failWrite();
        return;
    }
    m_partPending = true;
    m_journal.add(m_folder->filePath(m_partName));
    m_left = m_offer.files[m_index].size;
    m_hash.result();
}

void IncomingTransfer::completeFile(const QByteArray &digest)
{
    if (digest != m_hash.result()) {
        failHere(FailureReason::HashMismatch);
        return;
    }
    m_part.close();
    QString path;
    if (!moveToFinalName(path)) {
        failHere(FailureReason::WriteFailed);
        return;
    }
    writeFrame(FrameType::FileDone);
    const OfferedFile &file = m_offer.files[m_index++];
    Q_EMIT fileTransferred(token(), Direction::Incoming, QFileInfo(path).fileName(), file.size,
                           path);
    startFile();
}

// Makes "<name>.part" new, for the first name free both as itself and as a partial, which
// becomes m_finalName; -1 with errno set when it cannot.
int IncomingTransfer::createPart(const QString &name)
{
    const auto taken = [this](const QString &candidate) {
        return m_folder->taken(candidate) || m_folder->taken(PartName(candidate));
    };
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_finalName = UniqueFileName(name, taken);
        m_partName = PartName(m_finalName);
        const int fd = m_folder->create(m_partName);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The checked file takes its final name, the next free one if that was taken meanwhile.
bool IncomingTransfer::moveToFinalName(QString &path)
{
    const auto taken = [this](const QString &name) { return m_folder->taken(name); };
    const QString partial = m_folder->filePath(m_partName);
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_finalName = UniqueFileName(m_finalName, taken);
        if (m_folder->rename(m_partName, m_finalName)) {
            m_partPending = false;
            path = m_folder->filePath(m_finalName);
            m_journal.remove(partial);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

void IncomingTransfer::failHere(FailureReason reason)
{
    writeFrame(FrameType::Failure, QByteArray(1, char(reason)));
    end(failure(FailureFrom(reason), currentName()), Close::Linger);
}

void IncomingTransfer::failWrite()
{
    failHere(m_part.error() == QFileDevice::ResourceError ? FailureReason::DiskFull
                                                          : FailureReason::WriteFailed);
}

void IncomingTransfer::stallFailed()
{
    if (m_state == State::Receiving)
        failHere(FailureReason::Stalled);
}

void IncomingTransfer::end(const TransferEnd &ending, Close close)
{
    m_state = State::Ended;
    m_connectWait.stop();
    removePart();
    finish(ending, close);
}

void IncomingTransfer::connectionGone()
{
    if (m_state != State::Receiving)
        return;
    readFrames();
    if (m_state == State::Receiving)
        end(failure(Failure::Dropped, currentName()), Close::Now);
}

QString IncomingTransfer::currentName() const
{
    return m_offer.files[qMin(m_index, int(m_offer.files.size()) - 1)].name;
}

} // namespace transfer
