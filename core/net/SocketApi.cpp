#include "SocketApi.h"

#include "UdpErrors.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <mutex>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace socketapi
{
namespace
{

#ifdef _WIN32
using AddressLength = int;
using BufferLength = int;
using TransferSize = int;
constexpr int SendFlags = 0;
#else
using AddressLength = socklen_t;
using BufferLength = size_t;
using TransferSize = ssize_t;
#ifdef MSG_NOSIGNAL
constexpr int SendFlags = MSG_NOSIGNAL;
#else
constexpr int SendFlags = 0;
#endif
#endif

std::mutex stackLock;
int stackUsers = 0;

[[noreturn]] void raiseLastError()
{
    throw EIdSocketError(LastErrorNumber());
}

void checkPort(int port)
{
    if (port < 0 || port > 0xFFFF)
        throw EIdSocketError(10022);
}

sockaddr_in makeAddress(std::uint32_t address, int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(address);
    a.sin_port = htons(std::uint16_t(port));
    return a;
}

} // namespace

StackUser::StackUser()
{
    const std::lock_guard guard(stackLock);
#ifdef _WIN32
    if (stackUsers == 0) {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
            throw EIdStackInitializationFailed();
    }
#endif
    ++stackUsers;
}

StackUser::~StackUser()
{
    const std::lock_guard guard(stackLock);
    --stackUsers;
#ifdef _WIN32
    if (stackUsers == 0)
        WSACleanup();
#endif
}

int LastErrorNumber()
{
#ifdef _WIN32
    return WSAGetLastError();
#else
    return socketerrors::FromErrno(errno);
#endif
}

Handle OpenDatagramSocket()
{
#ifdef SOCK_CLOEXEC
    const Handle h = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
#else
    const Handle h = socket(AF_INET, SOCK_DGRAM, 0);
#endif
    if (h == InvalidHandle)
        throw EIdInvalidSocket();
    return h;
}

void CloseSocket(Handle handle)
{
#ifdef _WIN32
    closesocket(handle);
#else
    close(handle);
#endif
}

void ShutdownSocket(Handle handle)
{
#ifdef _WIN32
    shutdown(handle, SD_BOTH);
#else
    shutdown(handle, SHUT_RDWR);
#endif
}

void SetBroadcast(Handle handle, bool on)
{
    const int value = on ? -1 : 0;
    if (setsockopt(handle, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char *>(&value),
                   sizeof value) != 0)
        raiseLastError();
}

void SetReceiveBufferSize(Handle handle, int bytes)
{
    const auto *value = reinterpret_cast<const char *>(&bytes);
    setsockopt(handle, SOL_SOCKET, SO_RCVBUF, value, sizeof bytes);
#ifdef SO_RCVBUFFORCE
    // Past net.core.rmem_max only with CAP_NET_ADMIN; without it this fails harmlessly.
    if (ReceiveBufferSize(handle) < bytes)
        setsockopt(handle, SOL_SOCKET, SO_RCVBUFFORCE, value, sizeof bytes);
#endif
}

int ReceiveBufferSize(Handle handle)
{
    int bytes = 0;
    AddressLength length = sizeof bytes;
    if (getsockopt(handle, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char *>(&bytes), &length) != 0)
        return 0;
    return bytes;
}

void Bind(Handle handle, std::uint32_t address, int port)
{
    checkPort(port);
    const sockaddr_in a = makeAddress(address, port);
    if (bind(handle, reinterpret_cast<const sockaddr *>(&a), sizeof a) == 0)
        return;
    const int code = LastErrorNumber();
    if (code == 10048)
        throw EIdCouldNotBindSocket();
    throw EIdSocketError(code);
}

void LocalName(Handle handle, std::uint32_t &address, int &port)
{
    sockaddr_in a{};
    AddressLength length = sizeof a;
    if (getsockname(handle, reinterpret_cast<sockaddr *>(&a), &length) != 0)
        raiseLastError();
    address = ntohl(a.sin_addr.s_addr);
    port = ntohs(a.sin_port);
}

void SendTo(Handle handle, std::uint32_t address, int port, const QByteArray &bytes)
{
    checkPort(port);
    const sockaddr_in a = makeAddress(address, port);
    const TransferSize sent = sendto(handle, bytes.constData(), BufferLength(bytes.size()),
                                     SendFlags, reinterpret_cast<const sockaddr *>(&a), sizeof a);
    if (sent < 0) {
        const int code = LastErrorNumber();
        if (code == 10040)
            throw EIdPackageSizeTooBig();
        throw EIdSocketError(code);
    }
    if (sent < TransferSize(bytes.size()))
        throw EIdNotAllBytesSent();
}

Received ReceiveFrom(Handle handle, QByteArray &buffer, int maxSize, std::uint32_t &sender,
                     int &senderPort)
{
    // One byte more than allowed: a datagram that fills it is too long and is dropped whole.
    buffer.resize(qsizetype(maxSize) + 1);
    sockaddr_in from{};
    AddressLength length = sizeof from;
#ifdef _WIN32
    const TransferSize n = recvfrom(handle, buffer.data(), BufferLength(buffer.size()), 0,
                                    reinterpret_cast<sockaddr *>(&from), &length);
    if (n < 0)
        raiseLastError();
#else
    const TransferSize n = recvfrom(handle, buffer.data(), BufferLength(buffer.size()),
                                    MSG_DONTWAIT, reinterpret_cast<sockaddr *>(&from), &length);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return Received::Nothing;
        raiseLastError();
    }
#endif
    // No sender: the end of a socket that was shut down, not an empty datagram.
    if (length < AddressLength(sizeof from) || from.sin_family != AF_INET)
        return Received::Nothing;
    if (n > maxSize)
        return Received::Discarded;
    buffer.resize(qsizetype(n));
    sender = ntohl(from.sin_addr.s_addr);
    senderPort = ntohs(from.sin_port);
    return Received::Datagram;
}

struct DatagramBatch::Slot {
    Received status = Received::Nothing;
    qsizetype size = 0;
    std::uint32_t sender = 0;
    int senderPort = 0;
};

// Each slot has room for one byte more than allowed, as in ReceiveFrom.
DatagramBatch::DatagramBatch(int maxSize)
    : m_maxSize(qMax(maxSize, 0)), m_slots(size_t(Slots)),
      m_bytes(new char[size_t(Slots) * size_t(m_maxSize + 1)])
{
}

DatagramBatch::~DatagramBatch() = default;

Received DatagramBatch::Status(int slot) const
{
    return m_slots.at(size_t(slot)).status;
}

QByteArray DatagramBatch::Data(int slot) const
{
    return QByteArray(m_bytes.get() + size_t(slot) * size_t(m_maxSize + 1),
                      m_slots.at(size_t(slot)).size);
}

std::uint32_t DatagramBatch::Sender(int slot) const
{
    return m_slots.at(size_t(slot)).sender;
}

int DatagramBatch::SenderPort(int slot) const
{
    return m_slots.at(size_t(slot)).senderPort;
}

#ifdef __linux__
int DatagramBatch::Receive(Handle handle, int room)
{
    const int wanted = std::clamp(room, 0, Slots);
    if (wanted == 0)
        return 0;
    const size_t stride = size_t(m_maxSize + 1);
    iovec vectors[Slots];
    sockaddr_in from[Slots];
    mmsghdr headers[Slots];
    for (int i = 0; i < wanted; ++i) {
        vectors[i] = iovec{m_bytes.get() + size_t(i) * stride, stride};
        from[i] = sockaddr_in{};
        headers[i] = mmsghdr{};
        headers[i].msg_hdr.msg_name = &from[i];
        headers[i].msg_hdr.msg_namelen = sizeof from[i];
        headers[i].msg_hdr.msg_iov = &vectors[i];
        headers[i].msg_hdr.msg_iovlen = 1;
    }
    const int n = recvmmsg(handle, headers, unsigned(wanted), MSG_DONTWAIT, nullptr);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        raiseLastError();
    }
    for (int i = 0; i < n; ++i) {
        Slot &slot = m_slots[size_t(i)];
        const msghdr &header = headers[i].msg_hdr;
        if (header.msg_namelen < sizeof from[i] || from[i].sin_family != AF_INET) {
            slot.status = Received::Nothing;
            return i + 1;
        }
        const bool tooLong =
            headers[i].msg_len > unsigned(m_maxSize) || (header.msg_flags & MSG_TRUNC) != 0;
        slot.status = tooLong ? Received::Discarded : Received::Datagram;
        slot.size = tooLong ? 0 : qsizetype(headers[i].msg_len);
        slot.sender = ntohl(from[i].sin_addr.s_addr);
        slot.senderPort = ntohs(from[i].sin_port);
    }
    return n;
}
#else
int DatagramBatch::Receive(Handle handle, int room)
{
    const int wanted = std::clamp(room, 0, Slots);
    QByteArray buffer;
    for (int i = 0; i < wanted; ++i) {
        Slot &slot = m_slots[size_t(i)];
        slot.status = ReceiveFrom(handle, buffer, m_maxSize, slot.sender, slot.senderPort);
        if (slot.status == Received::Nothing)
            return i;
        slot.size = slot.status == Received::Datagram ? buffer.size() : 0;
        std::copy(buffer.cbegin(), buffer.cbegin() + slot.size,
                  m_bytes.get() + qsizetype(i) * (m_maxSize + 1));
    }
    return wanted;
}
#endif

QList<int> WaitReadable(const QList<Handle> &handles, int timeoutMs)
{
    QList<int> ready;
#ifdef _WIN32
    fd_set set;
    FD_ZERO(&set);
    for (Handle h : handles)
        FD_SET(h, &set);
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    if (select(0, &set, nullptr, nullptr, &timeout) <= 0)
        return ready;
    for (int i = 0; i < handles.size(); ++i) {
        if (FD_ISSET(handles.at(i), &set))
            ready.append(i);
    }
#else
    std::vector<pollfd> fds;
    for (Handle h : handles)
        fds.push_back(pollfd{h, POLLIN, 0});
    if (poll(fds.data(), nfds_t(fds.size()), timeoutMs) <= 0)
        return ready;
    for (int i = 0; i < int(fds.size()); ++i) {
        if (fds[size_t(i)].revents & (POLLIN | POLLERR | POLLHUP))
            ready.append(i);
    }
#endif
    return ready;
}

bool LookupIPv4(const QString &name, std::uint32_t &address)
{
    if (name.isEmpty())
        return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *list = nullptr;
    if (getaddrinfo(name.toLocal8Bit().constData(), nullptr, &hints, &list) != 0)
        return false;
    bool found = false;
    for (const addrinfo *ai = list; ai && !found; ai = ai->ai_next) {
        if (ai->ai_family == AF_INET && ai->ai_addr) {
            address = ntohl(reinterpret_cast<const sockaddr_in *>(ai->ai_addr)->sin_addr.s_addr);
            found = true;
        }
    }
    freeaddrinfo(list);
    return found;
}

QString HostName()
{
    char name[257] = {};
    if (gethostname(name, 256) != 0)
        return {};
    return QString::fromLocal8Bit(name);
}

namespace
{

// A bridge without ports reaches nobody, although some kernels report a carrier for it.
bool isEmptyBridge(const QString &name)
{
#ifdef _WIN32
    Q_UNUSED(name);
    return false;
#else
    const QDir ports(QStringLiteral("/sys/class/net/") + name + QStringLiteral("/brif"));
    return ports.exists() && ports.isEmpty();
#endif
}

} // namespace

QList<InterfaceAddress> InterfaceAddresses()
{
    QList<InterfaceAddress> found;
#ifndef _WIN32
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return found;
    for (const ifaddrs *ifa = list; ifa; ifa = ifa->ifa_next) {
        if (!ifa->ifa_addr || ifa->ifa_addr->sa_family != AF_INET)
            continue;
        const unsigned flags = ifa->ifa_flags;
        InterfaceAddress item;
        item.name = QString::fromLocal8Bit(ifa->ifa_name);
        item.address = ntohl(reinterpret_cast<const sockaddr_in *>(ifa->ifa_addr)->sin_addr.s_addr);
        if (ifa->ifa_netmask)
            item.netmask =
                ntohl(reinterpret_cast<const sockaddr_in *>(ifa->ifa_netmask)->sin_addr.s_addr);
        item.up = flags & IFF_UP;
        item.running = (flags & IFF_RUNNING) && !isEmptyBridge(item.name);
        item.loopback = flags & IFF_LOOPBACK;
        item.broadcast = flags & IFF_BROADCAST;
        found.append(item);
    }
    freeifaddrs(list);
#endif
    return found;
}

QStringList DefaultRouteInterfaces()
{
    // The kernel's IPv4 routing table of this process's network namespace: a header line,
    // then "Iface Destination Gateway Flags RefCnt Use Metric Mask ..." in hexadecimal.
    QList<std::pair<long, QString>> routes;
    QFile table(QStringLiteral("/proc/net/route"));
    if (table.open(QIODevice::ReadOnly | QIODevice::Text)) {
        table.readLine();
        while (!table.atEnd()) {
            const QList<QByteArray> fields = table.readLine().simplified().split(' ');
            constexpr unsigned RouteUp = 0x1;
            if (fields.size() < 8 || fields[1] != "00000000" || fields[7] != "00000000" ||
                !(fields[3].toUInt(nullptr, 16) & RouteUp))
                continue;
            routes.append({fields[6].toLong(), QString::fromLocal8Bit(fields[0])});
        }
    }
    std::stable_sort(routes.begin(), routes.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QStringList names;
    for (const auto &route : routes)
        names.append(route.second);
    return names;
}

} // namespace socketapi
