#pragma once

#include "SocketApi.h"

#include <QByteArray>
#include <QList>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <vector>

class TIdSocketHandle;
class TIdUDPServer;

// The thread of one open listening endpoint: waits for datagrams on the endpoint's
// sockets, takes whatever has arrived and hands it over in one go, in the order received.
// The object itself lives on the endpoint's thread; the hand-over is a queued call to it
// there, and the listener blocks until every handler of the batch has run.
class TIdUDPListenerThread final : public QThread
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TIdUDPListenerThread)
public:
    static constexpr int PollPeriodMs = 1000;
    static constexpr std::chrono::milliseconds RepostPeriod{100};
    // The most datagrams one hand-over carries, which bounds how long it keeps the
    // endpoint's thread from its other events.
    static constexpr int MaxBatch = 256;
    // And about the most bytes: long datagrams cost their handlers more each.
    static constexpr qsizetype MaxBatchBytes = 128 * 1024;
    // Hand-overs follow one another at least this far apart: what arrives meanwhile is
    // handed over together, so that a busy network wakes the endpoint's thread once for
    // many datagrams rather than for each. A datagram after a quiet spell goes at once.
    static constexpr std::chrono::microseconds HandOverGap{4000};

    // Takes the sockets of the server's bindings as they are now.
    TIdUDPListenerThread(TIdUDPServer *server, int bufferSize);
    ~TIdUDPListenerThread() override;

    void Stop();
    // True while a handler of this listener runs, which can only be further down the
    // calling thread's stack.
    bool HandlerRunning() const;
    // Waits for the loop to end. Called on the hand-over's thread, it runs the hand-overs
    // still to come itself; from elsewhere it cancels them.
    void WaitForEnd();

protected:
    void run() override;

private:
    enum class Phase { Idle, Queued, Running, Done, Cancelled };

    struct Datagram {
        int index; // of the socket in m_bindings
        std::uint32_t sender;
        int senderPort;
        QByteArray data;
    };

    bool Stopped() const;
    bool BatchFull() const;
    void ReadSocket(int index);
    void Deliver(const Datagram &datagram);
    void HandOver();
    void PostHandOver();
    void RunHandOver();
    void CancelHandOver();

    TIdUDPServer *const m_server;
    QList<socketapi::Handle> m_handles;
    QList<TIdSocketHandle *> m_bindings;
    socketapi::DatagramBatch m_received;
    std::vector<Datagram> m_batch;
    qsizetype m_batchBytes = 0;

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_stop = false;
    bool m_refuseHandOver = false;
    Phase m_phase = Phase::Idle;
    std::exception_ptr m_handOverError;
    bool m_ended = false;
};
