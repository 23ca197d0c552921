#pragma once

#include "SocketApi.h"

#include <QByteArray>
#include <QList>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>

class TIdSocketHandle;
class TIdUDPServer;

// The thread of one open listening endpoint: waits for datagrams on the endpoint's
// sockets and hands each one over. The object itself lives on the endpoint's thread; the
// hand-over is a queued call to it there, and the listener blocks until it has run.
class TIdUDPListenerThread final : public QThread
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TIdUDPListenerThread)
public:
    static constexpr int PollPeriodMs = 1000;
    static constexpr std::chrono::milliseconds RepostPeriod{100};

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

    bool Stopped() const;
    void ReadSocket(int index);
    void HandOver(TIdSocketHandle *binding);
    void PostHandOver();
    void RunHandOver();
    void CancelHandOver();

    TIdUDPServer *const m_server;
    const int m_bufferSize;
    QList<socketapi::Handle> m_handles;
    QList<TIdSocketHandle *> m_bindings;
    QByteArray m_buffer;

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_stop = false;
    bool m_refuseHandOver = false;
    Phase m_phase = Phase::Idle;
    TIdSocketHandle *m_handOverBinding = nullptr;
    std::exception_ptr m_handOverError;
    bool m_ended = false;
};
