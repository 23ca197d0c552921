#pragma once

#include "TransferFigures.h"
#include "TransferOutcome.h"
#include "TransferProtocol.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

namespace transfer
{

using DatagramSender =
    std::function<void(const TransferDatagram &, const QHostAddress &, quint16 port)>;

// What an outgoing and an incoming transfer share: the token, the peer, the data connection,
// the progress figures and the one ending.
class Transfer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Transfer)
public:
    ~Transfer() override;

    const QString &token() const { return m_token; }
    Direction direction() const { return m_direction; }
    const QHostAddress &peer() const { return m_peer; }
    bool ended() const { return m_ended; }

    // The user on this side cancels; the other side is told.
    virtual void cancel() = 0;
    // The other side sent a cancel datagram.
    virtual void peerCancelled() = 0;
    // How long without a byte moving either way shows the transfer stalled, and fails it.
    void setStallTimes(int shownMs, int failMs);

    // Chunk size of the data frames and the limit of unsent bytes held for one connection.
    static constexpr qint64 ChunkSize = 256 * 1024;
    static constexpr qint64 BufferLimit = 2 * 1024 * 1024;
    static constexpr int ProgressIntervalMs = 100;
    static constexpr int LingerMs = 5000;
    static constexpr int StallMs = 15000;
    static constexpr int StallFailMs = 60000;

Q_SIGNALS:
    void progress(const QString &token, const transfer::TransferProgress &progress);
    void fileTransferred(const QString &token, transfer::Direction direction, const QString &name,
                         qint64 size, const QString &path);
    void finished(const QString &token, const transfer::TransferEnd &end);
    // No byte moved for the stall time; false once bytes move again.
    void stalled(const QString &token, bool stalled);

protected:
    Transfer(QString token, Direction direction, QHostAddress peer, quint16 peerPort,
             DatagramSender sender, QObject *parent);

    void sendDatagram(DatagramKind kind, quint16 port = 0);
    void sendDatagram(const TransferDatagram &datagram);
    void attach(QTcpSocket *socket);
    void writeFrame(FrameType type, const QByteArray &payload = {});
    // Reads a whole small frame (header and payload) once it is all there.
    std::optional<std::pair<FrameHeader, QByteArray>> readSmallFrame();
    // From now on, bytes must keep moving: `moved` says they did, `stallFailed` is called once
    // none has for the longer stall time.
    void watchProgress();
    void moved();
    virtual void stallFailed() = 0;
    void startClock(qint64 total);
    void addDone(qint64 bytes);
    // The end of this transfer: an outcome, or a failure that concerns one file.
    TransferEnd ending(Outcome outcome) const;
    TransferEnd failure(Failure failure, const QString &fileName, const QString &detail = {}) const;
    // Emits finished once; the data connection, if any, is closed by `close`.
    enum class Close { Now, AfterWrite, Linger };
    void finish(const TransferEnd &end, Close close = Close::Now);

    QPointer<QTcpSocket> m_socket;
    qint64 m_done = 0;
    qint64 m_total = 0;

private:
    void releaseSocket(Close close);
    void checkStall();
    bool peerAcknowledgedMore();

    QString m_token;
    Direction m_direction;
    QHostAddress m_peer;
    quint16 m_peerPort;
    DatagramSender m_sender;
    QElapsedTimer m_clock;
    qint64 m_lastReport = -ProgressIntervalMs;
    bool m_ended = false;
    QTimer *m_stallCheck = nullptr;
    QElapsedTimer m_lastMove;
    int m_stallShownMs = StallMs;
    int m_stallFailMs = StallFailMs;
    bool m_stalled = false;
    qint64 m_acknowledged = 0;
};

} // namespace transfer
