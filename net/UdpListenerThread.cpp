#include "UdpListenerThread.h"

#include "HostAddress.h"
#include "UdpEndpoints.h"

#include <utility>

TIdUDPListenerThread::TIdUDPListenerThread(TIdUDPServer *server, int bufferSize)
    : m_server(server), m_bufferSize(qMax(bufferSize, 0))
{
    for (int i = 0; i < server->Bindings.Count(); ++i) {
        m_handles.append(server->Bindings[i]->Handle());
        m_bindings.append(server->Bindings[i]);
    }
    m_buffer.reserve(qsizetype(m_bufferSize) + 1);
}

TIdUDPListenerThread::~TIdUDPListenerThread() = default;

void TIdUDPListenerThread::Stop()
{
    const std::lock_guard guard(m_lock);
    m_stop = true;
}

bool TIdUDPListenerThread::Stopped() const
{
    const std::lock_guard guard(m_lock);
    return m_stop;
}

bool TIdUDPListenerThread::HandlerRunning() const
{
    const std::lock_guard guard(m_lock);
    return m_phase == Phase::Running && QThread::currentThread() == thread();
}

void TIdUDPListenerThread::WaitForEnd()
{
    if (QThread::currentThread() == thread()) {
        // The hand-over's target thread is this one: a hand-over the listener queues from
        // now on is run right here, so the listener can always finish.
        std::unique_lock lock(m_lock);
        while (!m_ended) {
            if (m_phase == Phase::Queued) {
                lock.unlock();
                RunHandOver();
                lock.lock();
            } else {
                m_changed.wait(lock);
            }
        }
    } else {
        // Nobody can run the handler: a hand-over still queued is given up.
        CancelHandOver();
    }
    wait();
}

void TIdUDPListenerThread::run()
{
    while (!Stopped()) {
        const QList<int> ready = socketapi::WaitReadable(m_handles, PollPeriodMs);
        for (int index : ready) {
            if (Stopped())
                break;
            ReadSocket(index);
        }
    }
    {
        const std::lock_guard guard(m_lock);
        m_ended = true;
    }
    m_changed.notify_all();
}

void TIdUDPListenerThread::ReadSocket(int index)
{
    try {
        std::uint32_t sender = 0;
        int senderPort = 0;
        if (socketapi::ReceiveFrom(m_handles.at(index), m_buffer, m_bufferSize, sender,
                                   senderPort) != socketapi::Received::Datagram)
            return;
        TIdSocketHandle *binding = m_bindings.at(index);
        binding->SenderIP = DottedText(sender);
        binding->SenderPort = senderPort;
        m_server->m_activeBinding.store(binding);
        if (m_server->ThreadedEvent)
            m_server->DoUDPRead(m_buffer, binding);
        else
            HandOver(binding);
    } catch (...) {
        // A failed receive or a failing handler loses this datagram only.
    }
}

void TIdUDPListenerThread::HandOver(TIdSocketHandle *binding)
{
    {
        const std::lock_guard guard(m_lock);
        if (m_refuseHandOver)
            return;
        m_phase = Phase::Queued;
        m_handOverBinding = binding;
    }
    m_changed.notify_all();
    PostHandOver();
    std::exception_ptr error;
    {
        std::unique_lock lock(m_lock);
        while (m_phase != Phase::Done && m_phase != Phase::Cancelled) {
            // A nested event loop opened by an event that was already being delivered when
            // this call was queued may not see it until something new is queued (the GLib
            // event dispatcher works that way): queue it again now and then.
            if (m_changed.wait_for(lock, RepostPeriod) == std::cv_status::timeout &&
                m_phase == Phase::Queued) {
                lock.unlock();
                PostHandOver();
                lock.lock();
            }
        }
        m_phase = Phase::Idle;
        error = std::exchange(m_handOverError, nullptr);
    }
    if (error)
        std::rethrow_exception(error);
}

// Each posted call runs whatever hand-over is queued when it arrives, so extra ones are
// harmless.
void TIdUDPListenerThread::PostHandOver()
{
    QMetaObject::invokeMethod(
        this, [this] { RunHandOver(); }, Qt::QueuedConnection);
}

void TIdUDPListenerThread::RunHandOver()
{
    TIdSocketHandle *binding = nullptr;
    {
        const std::lock_guard guard(m_lock);
        if (m_phase != Phase::Queued)
            return;
        m_phase = Phase::Running;
        binding = m_handOverBinding;
    }
    std::exception_ptr error;
    try {
        m_server->DoUDPRead(m_buffer, binding);
    } catch (...) {
        error = std::current_exception();
    }
    // The server may be gone by now (closed and destroyed by its own handler): only this
    // object is touched from here on.
    {
        const std::lock_guard guard(m_lock);
        m_handOverError = error;
        m_phase = Phase::Done;
    }
    m_changed.notify_all();
}

void TIdUDPListenerThread::CancelHandOver()
{
    {
        const std::lock_guard guard(m_lock);
        m_refuseHandOver = true;
        if (m_phase == Phase::Queued)
            m_phase = Phase::Cancelled;
    }
    m_changed.notify_all();
}
