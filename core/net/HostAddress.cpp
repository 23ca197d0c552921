#include "HostAddress.h"

#include "Convert.h"
#include "Datagram.h"
#include "SocketApi.h"
#include "UdpErrors.h"

#include <QStringList>

namespace
{

QString lookupDotted(const QString &name)
{
    std::uint32_t address = 0;
    return socketapi::LookupIPv4(name, address) ? DottedText(address) : QString();
}

bool usable(const socketapi::InterfaceAddress &item)
{
    return item.up && item.running && !item.loopback && item.broadcast;
}

} // namespace

QString HostToAddress(const QString &host)
{
    if (host.compare(u"LOCALHOST", Qt::CaseInsensitive) == 0)
        return QStringLiteral("127.0.0.1");
    if (IsDottedAddress(host))
        return host;
    const socketapi::StackUser stack;
    const QString address = lookupDotted(host);
    if (address.isEmpty())
        throw EIdSocketError(socketerrors::HostNotFound);
    return address;
}

std::optional<socketapi::InterfaceAddress>
ChooseInterface(const QList<socketapi::InterfaceAddress> &interfaces,
                const QStringList &defaultRouteInterfaces)
{
    for (const QString &name : defaultRouteInterfaces) {
        for (const socketapi::InterfaceAddress &item : interfaces) {
            if (item.name == name && usable(item))
                return item;
        }
    }
    for (const socketapi::InterfaceAddress &item : interfaces) {
        if (usable(item))
            return item;
    }
    return std::nullopt;
}

QString SubnetBroadcast(std::uint32_t address, std::uint32_t netmask)
{
    if ((~netmask & 0xFFFFFFFEu) == 0)
        return DottedText(0xFFFFFFFFu);
    return DottedText(address | ~netmask);
}

LocalNetwork ChooseLocalNetwork(const QList<socketapi::InterfaceAddress> &interfaces,
                                const QStringList &defaultRouteInterfaces,
                                const std::function<QString()> &hostNameAddress)
{
    if (const auto chosen = ChooseInterface(interfaces, defaultRouteInterfaces))
        return {chosen->name, DottedText(chosen->address),
                SubnetBroadcast(chosen->address, chosen->netmask)};
    QString address = hostNameAddress();
    if (address.isEmpty())
        address = QStringLiteral("127.0.0.1");
    return {QString(), address, BroadcastAddress(address)};
}

LocalNetwork FindLocalNetwork()
{
    const socketapi::StackUser stack;
    return ChooseLocalNetwork(socketapi::InterfaceAddresses(), socketapi::DefaultRouteInterfaces(),
                              [] { return HostNameAddress(socketapi::HostName(), lookupDotted); });
}

LocalNetwork NetworkOfAddress(const QList<socketapi::InterfaceAddress> &interfaces,
                              const QString &address)
{
    std::uint32_t own = 0;
    if (ParseDottedAddress(address, own)) {
        for (const socketapi::InterfaceAddress &item : interfaces) {
            if (item.address == own)
                return {item.name, address, SubnetBroadcast(own, item.netmask)};
        }
    }
    return {QString(), address, BroadcastAddress(address)};
}

LocalNetwork FindNetworkOf(const QString &address)
{
    const socketapi::StackUser stack;
    return NetworkOfAddress(socketapi::InterfaceAddresses(), address);
}

QString LocalHostAddress()
{
    return FindLocalNetwork().address;
}

QString HostNameAddress(const QString &hostName,
                        const std::function<QString(const QString &)> &lookup)
{
    if (hostName.isEmpty())
        return QStringLiteral("0.0.0.0");
    const QChar first = hostName.at(0);
    if (first < u'0' || first > u'9')
        return lookup(hostName);
    return IsDottedAddress(hostName) ? hostName : QString();
}

bool IsDottedAddress(const QString &text)
{
    std::uint32_t address = 0;
    return ParseDottedAddress(text, address);
}

bool ParseDottedAddress(const QString &text, std::uint32_t &address)
{
    QStringList parts;
    qsizetype start = 0;
    for (int i = 0; i < 3; ++i) {
        const qsizetype dot = text.indexOf(u'.', start);
        if (dot < 0)
            return false;
        parts.append(text.mid(start, dot - start));
        start = dot + 1;
    }
    parts.append(text.mid(start));
    std::uint32_t result = 0;
    for (const QString &part : parts) {
        int value = 0;
        if (!tryStrToInt(part, value) || value < 0 || value > 255)
            return false;
        result = (result << 8) | std::uint32_t(value);
    }
    address = result;
    return true;
}

QString DottedText(std::uint32_t address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}
