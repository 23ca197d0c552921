#include "HostAddress.h"

#include "Convert.h"
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

QString interfaceDotted()
{
    std::uint32_t address = 0;
    return socketapi::BroadcastInterfaceAddress(address) ? DottedText(address) : QString();
}

// The address the host name rules give, before looking at the interfaces.
QString addressFromHostName(const QString &hostName,
                            const std::function<QString(const QString &)> &lookup)
{
    if (hostName.isEmpty())
        return QStringLiteral("0.0.0.0");
    const QChar first = hostName.at(0);
    if (first < u'0' || first > u'9')
        return lookup(hostName);
    return IsDottedAddress(hostName) ? hostName : QString();
}

bool saysNothingUseful(const QString &address)
{
    return address.isEmpty() || address == u"0.0.0.0" || address.startsWith(u"127.");
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

QString LocalHostAddress()
{
    const socketapi::StackUser stack;
    return ChooseLocalHostAddress(socketapi::HostName(), lookupDotted, interfaceDotted);
}

QString ChooseLocalHostAddress(const QString &hostName,
                               const std::function<QString(const QString &)> &lookup,
                               const std::function<QString()> &interfaceAddress)
{
    const QString address = addressFromHostName(hostName, lookup);
    if (!saysNothingUseful(address))
        return address;
    // A name that resolves to loopback (the usual case on Linux) says nothing about the
    // network: an interface that can broadcast is the address peers see.
    const QString fromInterface = interfaceAddress();
    return fromInterface.isEmpty() ? address : fromInterface;
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
