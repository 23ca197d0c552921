#pragma once

#include "SocketApi.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class TIdUDPListenerThread;
class TIdUDPServer;

// One IPv4 datagram socket. After a bind, IP and Port hold what was really bound; SenderIP
// and SenderPort name the sender of the datagram last received on it.
class TIdSocketHandle final
{
    Q_DISABLE_COPY_MOVE(TIdSocketHandle)
public:
    TIdSocketHandle();
    ~TIdSocketHandle();

    QString IP; // empty: all local addresses
    int Port = 0;
    QString SenderIP;
    int SenderPort = 0;

    bool HandleAllocated() const;
    socketapi::Handle Handle() const;
    // Creates the socket, closing any socket the handle still holds.
    void AllocateSocket();
    // Binds to IP and Port without address reuse, then reads both back.
    void Bind();
    void CloseSocket();
    void SetBroadcastFlag(bool on);
    // Sends one datagram from this socket.
    void Transmit(const QString &address, int port, const QByteArray &bytes);

private:
    friend class TIdUDPServer;
    // Gives up the socket without closing it; the handle reads as closed from then on.
    socketapi::Handle Release();

    socketapi::Handle m_handle = socketapi::InvalidHandle;
};

// The sockets a listening endpoint listens on; it owns them.
class TIdSocketHandles final
{
    Q_DISABLE_COPY_MOVE(TIdSocketHandles)
public:
    TIdSocketHandles();
    ~TIdSocketHandles();

    TIdSocketHandle *Add();
    int Count() const;
    bool IsEmpty() const;
    TIdSocketHandle *Items(int index) const;
    TIdSocketHandle *operator[](int index) const;

private:
    std::vector<std::unique_ptr<TIdSocketHandle>> m_items;
};

using TUDPReadEvent =
    std::function<void(TIdUDPServer *Sender, const QByteArray &AData, TIdSocketHandle *ABinding)>;

// Base of the UDP endpoints. Its own single socket serves the sending endpoint.
class TIdUDPBase : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TIdUDPBase)
public:
    explicit TIdUDPBase(QObject *parent = nullptr);
    ~TIdUDPBase() override;

    // The real state; setting the value it already has does nothing.
    bool Active() const;
    void setActive(bool on);

    int BufferSize = 8192;

    bool BroadcastEnabled() const;
    // Applied at once to the open sockets.
    void setBroadcastEnabled(bool on);

    // One datagram to host (a name or a dotted address) and port, opening the socket first
    // when needed.
    void SendBytes(const QString &host, int port, const QByteArray &bytes);

protected:
    virtual void CloseBinding();
    virtual bool GetActive() const;
    // The socket in use, opened first when needed.
    virtual TIdSocketHandle *GetBinding();
    virtual void BroadcastEnabledChanged();

private:
    socketapi::StackUser m_stack;
    bool m_broadcastEnabled = false;
    std::unique_ptr<TIdSocketHandle> m_binding;
};

// Sending endpoint: a text as one datagram to Host:Port. Open from its creation on.
class TIdUDPClient final : public TIdUDPBase
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TIdUDPClient)
public:
    explicit TIdUDPClient(QObject *parent = nullptr);
    ~TIdUDPClient() override;

    QString Host;
    int Port = 0;

    // The text's code page 1251 bytes, with no terminator.
    void SendText(const QString &text);
};

// Listening endpoint: binds its sockets when opened and hands each datagram to OnUDPRead.
// With ThreadedEvent false the handler runs on the thread the endpoint lives on, while
// the listener thread waits for it; what the handler throws is dropped.
class TIdUDPServer final : public TIdUDPBase
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TIdUDPServer)
public:
    explicit TIdUDPServer(QObject *parent = nullptr);
    ~TIdUDPServer() override;

    // Filled with one socket on DefaultPort at the first activation when empty.
    TIdSocketHandles Bindings;
    int DefaultPort() const;
    void setDefaultPort(int port);

    TUDPReadEvent OnUDPRead;
    bool ThreadedEvent = false;

    // The kernel's queue for each socket, asked for at activation: room for a pause of
    // the receiving thread of 100 ms at 10,000 datagrams a second, with headroom.
    static constexpr int DefaultReceiveQueueBytes = 4 * 1024 * 1024;
    int ReceiveQueueBytes = DefaultReceiveQueueBytes;

    // The socket that received the datagram being handled; before the first, the first
    // socket. Null while closed.
    TIdSocketHandle *ActiveBinding() const;

protected:
    void CloseBinding() override;
    bool GetActive() const override;
    TIdSocketHandle *GetBinding() override;
    void BroadcastEnabledChanged() override;

private:
    friend class TIdUDPListenerThread;
    void Open();
    QList<socketapi::Handle> ShutDownBindings();
    void ReapRetiredListener();
    void DoUDPRead(const QByteArray &data, TIdSocketHandle *binding);

    int m_defaultPort = 0;
    std::atomic<TIdSocketHandle *> m_activeBinding{nullptr};
    TIdUDPListenerThread *m_listener = nullptr;
    // A listener closed from inside its own handler, still waiting for that handler.
    TIdUDPListenerThread *m_retired = nullptr;
};
