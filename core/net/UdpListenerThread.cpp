#include "UdpListenerThread.h"

#include "HostAddress.h"
#include "UdpEndpoints.h"

#include <thread>
#include <utility>

TIdUDPListenerThread::TIdUDPListenerThread(TIdUDPServer *server, int bufferSize)
    : m_server(server), m_received(bufferSize)
{
    for (int i = 0; i < server->Bindings.Count(); ++i) {
        m_handles.append(server->Bindings[i]->Handle());
        m_bindings.append(server->Bindings[i]);
    }
    m_batch.reserve(size_t(MaxBatch));
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
        if (m_batch.empty())
            continue;
        if (m_server->ThreadedEvent) {
            for (const Datagram &datagram : m_batch) {
                try {
                    Deliver(datagram);
                } catch (...) {
                    // A failing handler loses nothing but what it did not do.
                }
            }
        } else {
            const bool full = BatchFull();
            HandOver();
            // What arrives meanwhile waits in the socket's buffer, which is sized for it;
            // after a full batch more is waiting already.
            if (!full)
                std::this_thread::sleep_for(HandOverGap);
        }
        m_batch.clear();
        m_batchBytes = 0;
    }
    {
        const std::lock_guard guard(m_lock);
        m_ended = true;
    }
    m_changed.notify_all();
}

// Takes the datagrams waiting on one socket, as many as the batch has room for.
void TIdUDPListenerThread::ReadSocket(int index)
{
    while (!BatchFull()) {
        const int room = MaxBatch - int(m_batch.size());
        int count = 0;
        try {
            count = m_received.Receive(m_handles.at(index), room);
        } catch (...) {
            return; // a failed receive loses this datagram only
        }
        for (int slot = 0; slot < count; ++slot) {
            const socketapi::Received status = m_received.Status(slot);
            if (status == socketapi::Received::Nothing)
                return;
            if (status == socketapi::Received::Datagram) {
                m_batch.push_back(Datagram{index, m_received.Sender(slot),
                                           m_received.SenderPort(slot), m_received.Data(slot)});
                m_batchBytes += m_batch.back().data.size();
            }
        }
        if (count < qMin(room, int(socketapi::DatagramBatch::Slots)))
            return;
    }
}

bool TIdUDPListenerThread::BatchFull() const
{
    return m_batch.size() >= size_t(MaxBatch) || m_batchBytes >= MaxBatchBytes;
}

void TIdUDPListenerThread::Deliver(const Datagram &datagram)
{
    TIdSocketHandle *binding = m_bindings.at(datagram.index);
    binding->SenderIP = DottedText(datagram.sender);
    binding->SenderPort = datagram.senderPort;
    m_server->m_activeBinding.store(binding);
    m_server->DoUDPRead(datagram.data, binding);
}

void TIdUDPListenerThread::HandOver()
{
    {
        const std::lock_guard guard(m_lock);
        if (m_refuseHandOver)
            return;
        m_phase = Phase::Queued;
    }
    m_changed.notify_all();
    PostHandOver();
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
    // What the handlers threw comes back here and goes no further.
    m_handOverError = nullptr;
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
    bool stoppedBefore = false;
    {
        const std::lock_guard guard(m_lock);
        if (m_phase != Phase::Queued)
            return;
        m_phase = Phase::Running;
        stoppedBefore = m_stop;
    }
    std::exception_ptr error;
    for (const Datagram &datagram : m_batch) {
        // Closed by one of these handlers, the server may even be gone: the rest of the
        // batch is dropped and only this object is touched from here on. A batch handed
        // over to a close already under way is delivered whole.
        if (!stoppedBefore && Stopped())
            break;
        try {
            Deliver(datagram);
        } catch (...) {
            error = std::current_exception();
        }
    }
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
