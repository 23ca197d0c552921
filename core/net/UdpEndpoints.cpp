#include "UdpEndpoints.h"

#include "Cp1251.h"
#include "HostAddress.h"
#include "UdpErrors.h"
#include "UdpListenerThread.h"

#include <utility>

namespace
{

constexpr int MaxBindings = 64;
constexpr int NotASocket = 10038;

// A dotted address, the usual case on every send and reply, is parsed once; names go
// through the look-up.
std::uint32_t dottedAddressOf(const QString &host)
{
    std::uint32_t address = 0;
    if (!ParseDottedAddress(host, address))
        ParseDottedAddress(HostToAddress(host), address);
    return address;
}

} // namespace

// ---- TIdSocketHandle

TIdSocketHandle::TIdSocketHandle() = default;

TIdSocketHandle::~TIdSocketHandle()
{
    CloseSocket();
}

bool TIdSocketHandle::HandleAllocated() const
{
    return m_handle != socketapi::InvalidHandle;
}

socketapi::Handle TIdSocketHandle::Handle() const
{
    return m_handle;
}

void TIdSocketHandle::AllocateSocket()
{
    CloseSocket();
    m_handle = socketapi::OpenDatagramSocket();
}

void TIdSocketHandle::Bind()
{
    if (!HandleAllocated())
        throw EIdSocketError(NotASocket);
    const std::uint32_t address = IP.isEmpty() ? 0 : dottedAddressOf(IP);
    socketapi::Bind(m_handle, address, Port);
    std::uint32_t bound = 0;
    socketapi::LocalName(m_handle, bound, Port);
    IP = DottedText(bound);
}

void TIdSocketHandle::CloseSocket()
{
    if (HandleAllocated())
        socketapi::CloseSocket(std::exchange(m_handle, socketapi::InvalidHandle));
}

void TIdSocketHandle::SetBroadcastFlag(bool on)
{
    if (!HandleAllocated())
        throw EIdSocketError(NotASocket);
    socketapi::SetBroadcast(m_handle, on);
}

void TIdSocketHandle::Transmit(const QString &address, int port, const QByteArray &bytes)
{
    const std::uint32_t destination = dottedAddressOf(address);
    if (!HandleAllocated())
        throw EIdSocketError(NotASocket);
    socketapi::SendTo(m_handle, destination, port, bytes);
}

socketapi::Handle TIdSocketHandle::Release()
{
    return std::exchange(m_handle, socketapi::InvalidHandle);
}

// ---- TIdSocketHandles

TIdSocketHandles::TIdSocketHandles() = default;
TIdSocketHandles::~TIdSocketHandles() = default;

TIdSocketHandle *TIdSocketHandles::Add()
{
    m_items.push_back(std::make_unique<TIdSocketHandle>());
    return m_items.back().get();
}

int TIdSocketHandles::Count() const
{
    return int(m_items.size());
}

bool TIdSocketHandles::IsEmpty() const
{
    return m_items.empty();
}

TIdSocketHandle *TIdSocketHandles::Items(int index) const
{
    return m_items.at(size_t(index)).get();
}

TIdSocketHandle *TIdSocketHandles::operator[](int index) const
{
    return Items(index);
}

// ---- TIdUDPBase

TIdUDPBase::TIdUDPBase(QObject *parent) : QObject(parent) {}

TIdUDPBase::~TIdUDPBase() = default;

bool TIdUDPBase::Active() const
{
    return GetActive();
}

void TIdUDPBase::setActive(bool on)
{
    if (on == GetActive())
        return;
    if (on)
        GetBinding();
    else
        CloseBinding();
}

bool TIdUDPBase::BroadcastEnabled() const
{
    return m_broadcastEnabled;
}

void TIdUDPBase::setBroadcastEnabled(bool on)
{
    m_broadcastEnabled = on;
    if (GetActive())
        BroadcastEnabledChanged();
}

void TIdUDPBase::SendBytes(const QString &host, int port, const QByteArray &bytes)
{
    const QString address = HostToAddress(host);
    GetBinding()->Transmit(address, port, bytes);
}

void TIdUDPBase::CloseBinding()
{
    m_binding.reset();
}

bool TIdUDPBase::GetActive() const
{
    return m_binding && m_binding->HandleAllocated();
}

TIdSocketHandle *TIdUDPBase::GetBinding()
{
    if (!GetActive()) {
        auto binding = std::make_unique<TIdSocketHandle>();
        binding->AllocateSocket();
        binding->SetBroadcastFlag(m_broadcastEnabled);
        m_binding = std::move(binding);
    }
    return m_binding.get();
}

void TIdUDPBase::BroadcastEnabledChanged()
{
    m_binding->SetBroadcastFlag(m_broadcastEnabled);
}

// ---- TIdUDPClient

TIdUDPClient::TIdUDPClient(QObject *parent) : TIdUDPBase(parent)
{
    setActive(true);
}

TIdUDPClient::~TIdUDPClient() = default;

void TIdUDPClient::SendText(const QString &text)
{
    SendBytes(Host, Port, cp1251::encode(text));
}

// ---- TIdUDPServer

TIdUDPServer::TIdUDPServer(QObject *parent) : TIdUDPBase(parent) {}

TIdUDPServer::~TIdUDPServer()
{
    TIdUDPServer::CloseBinding();
    ReapRetiredListener();
}

int TIdUDPServer::DefaultPort() const
{
    return m_defaultPort;
}

void TIdUDPServer::setDefaultPort(int port)
{
    m_defaultPort = port;
}

TIdSocketHandle *TIdUDPServer::ActiveBinding() const
{
    return m_activeBinding.load();
}

bool TIdUDPServer::GetActive() const
{
    return m_listener != nullptr;
}

TIdSocketHandle *TIdUDPServer::GetBinding()
{
    if (!m_listener)
        Open();
    return ActiveBinding();
}

void TIdUDPServer::BroadcastEnabledChanged()
{
    for (int i = 0; i < Bindings.Count(); ++i) {
        if (Bindings[i]->HandleAllocated())
            Bindings[i]->SetBroadcastFlag(BroadcastEnabled());
    }
}

void TIdUDPServer::Open()
{
    ReapRetiredListener();
    if (Bindings.IsEmpty())
        Bindings.Add()->Port = m_defaultPort;
    if (Bindings.Count() > MaxBindings)
        throw EIdStackSetSizeExceeded();
    try {
        for (int i = 0; i < Bindings.Count(); ++i) {
            Bindings[i]->AllocateSocket();
            Bindings[i]->Bind();
            Bindings[i]->SetBroadcastFlag(BroadcastEnabled());
            socketapi::SetReceiveBufferSize(Bindings[i]->Handle(), ReceiveQueueBytes);
        }
    } catch (...) {
        for (int i = 0; i < Bindings.Count(); ++i)
            Bindings[i]->CloseSocket();
        throw;
    }
    m_activeBinding = Bindings[0];
    m_listener = new TIdUDPListenerThread(this, BufferSize);
    m_listener->start();
}

void TIdUDPServer::CloseBinding()
{
    if (!m_listener)
        return;
    TIdUDPListenerThread *listener = std::exchange(m_listener, nullptr);
    listener->Stop();
    const QList<socketapi::Handle> handles = ShutDownBindings();
    if (listener->HandlerRunning()) {
        // Closed from inside its own handler: the listener waits for that handler further
        // down this stack and ends once it returns, without touching the sockets again.
        ReapRetiredListener();
        m_retired = listener;
    } else {
        listener->WaitForEnd();
        delete listener;
    }
    for (socketapi::Handle h : handles)
        socketapi::CloseSocket(h);
    if (!m_listener) // a late handler may have opened it again meanwhile
        m_activeBinding = nullptr;
}

// Shuts the sockets down, which wakes the listener; they are closed once it cannot touch
// them any more.
QList<socketapi::Handle> TIdUDPServer::ShutDownBindings()
{
    QList<socketapi::Handle> handles;
    for (int i = 0; i < Bindings.Count(); ++i) {
        if (Bindings[i]->HandleAllocated()) {
            handles.append(Bindings[i]->Release());
            socketapi::ShutdownSocket(handles.constLast());
        }
    }
    return handles;
}

void TIdUDPServer::ReapRetiredListener()
{
    if (!m_retired)
        return;
    TIdUDPListenerThread *listener = std::exchange(m_retired, nullptr);
    if (listener->HandlerRunning()) {
        // Still inside that handler (reopened or destroyed from it): it goes when it ends.
        connect(listener, &QThread::finished, listener, &QObject::deleteLater);
        return;
    }
    listener->WaitForEnd();
    delete listener;
}

void TIdUDPServer::DoUDPRead(const QByteArray &data, TIdSocketHandle *binding)
{
    if (OnUDPRead)
        OnUDPRead(this, data, binding);
}
