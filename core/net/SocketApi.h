#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

// The operating system's datagram sockets, IPv4 only. Addresses are in host byte order.
// Failures are raised as the endpoint errors.
namespace socketapi
{

#ifdef _WIN32
using Handle = std::uintptr_t;
inline constexpr Handle InvalidHandle = ~Handle(0);
#else
using Handle = int;
inline constexpr Handle InvalidHandle = -1;
#endif

// Holds the process-wide socket library open for its lifetime (counted; a no-op where the
// platform needs no start-up).
class StackUser final
{
public:
    StackUser();
    ~StackUser();
    StackUser(const StackUser &) = delete;
    StackUser &operator=(const StackUser &) = delete;
};

// The error number of the last failing socket call, in the Windows numbering.
int LastErrorNumber();

Handle OpenDatagramSocket();
void CloseSocket(Handle handle);
// Ends both directions; a thread waiting for the socket wakes up.
void ShutdownSocket(Handle handle);
void SetBroadcast(Handle handle, bool on);
// Asks for a receive queue of the given size, beyond the system's usual limit where the
// process may; what the system grants may be less. Best effort: failures are ignored.
void SetReceiveBufferSize(Handle handle, int bytes);
// The receive queue the system granted, in its own accounting (Linux counts it doubled).
int ReceiveBufferSize(Handle handle);
void Bind(Handle handle, std::uint32_t address, int port);
void LocalName(Handle handle, std::uint32_t &address, int &port);
void SendTo(Handle handle, std::uint32_t address, int port, const QByteArray &bytes);

enum class Received { Datagram, Discarded, Nothing };
// Receives one datagram without waiting. One longer than maxSize is consumed and
// Discarded; Nothing means no datagram was waiting.
Received ReceiveFrom(Handle handle, QByteArray &buffer, int maxSize, std::uint32_t &sender,
                     int &senderPort);

// Datagrams received from one socket in one call where the system offers such a call
// (otherwise one at a time), into buffers kept from call to call.
class DatagramBatch final
{
public:
    static constexpr int Slots = 16;

    explicit DatagramBatch(int maxSize);
    ~DatagramBatch();
    DatagramBatch(const DatagramBatch &) = delete;
    DatagramBatch &operator=(const DatagramBatch &) = delete;

    // Receives without waiting up to `room` (at most Slots) datagrams, the same way as
    // ReceiveFrom each; gives how many slots were filled. A slot that says Nothing ends the
    // batch: the socket was shut down. Fewer than asked for means the socket is empty.
    int Receive(Handle handle, int room);
    Received Status(int slot) const;
    QByteArray Data(int slot) const;
    std::uint32_t Sender(int slot) const;
    int SenderPort(int slot) const;

private:
    struct Slot;
    const int m_maxSize;
    std::vector<Slot> m_slots;
    // Left uninitialised: a page is only touched once a datagram lands on it.
    std::unique_ptr<char[]> m_bytes;
};

// Waits up to timeoutMs for some of the handles to become readable; gives their positions
// in the list. A failing wait gives none.
QList<int> WaitReadable(const QList<Handle> &handles, int timeoutMs);

// First IPv4 address of a host name; false when the name cannot be resolved.
bool LookupIPv4(const QString &name, std::uint32_t &address);
// This host's name; empty when it cannot be read.
QString HostName();
// One IPv4 address of a network interface, in the order the system lists them.
struct InterfaceAddress {
    QString name;
    std::uint32_t address = 0;
    std::uint32_t netmask = 0;
    bool up = false;
    bool running = false; // carries traffic: not a port without cable, nor a bridge without ports
    bool loopback = false;
    bool broadcast = false; // can send to its subnet's broadcast address
};
QList<InterfaceAddress> InterfaceAddresses();
// The interfaces that hold an IPv4 default route, the preferred (lowest metric) first.
QStringList DefaultRouteInterfaces();

} // namespace socketapi
