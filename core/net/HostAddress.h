#pragma once

#include "SocketApi.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

// Host names and dotted IPv4 addresses.

// "LOCALHOST" in any letter case gives "127.0.0.1"; a dotted address is returned unchanged;
// anything else is looked up by name and gives its first IPv4 address. A failed lookup
// raises EIdSocketError 11001.
QString HostToAddress(const QString &host);

// The network this copy talks on: the chosen interface, this host's address on it and the
// broadcast address of its subnet.
struct LocalNetwork {
    QString interfaceName; // empty when no interface could be chosen
    QString address;
    QString broadcast;
};

// The interface the chat broadcasts on: the one that holds the default route, else the first
// that is up, running and not loopback; only interfaces that can broadcast count. Nothing
// when there is none.
std::optional<socketapi::InterfaceAddress>
ChooseInterface(const QList<socketapi::InterfaceAddress> &interfaces,
                const QStringList &defaultRouteInterfaces);

// The broadcast address of the subnet of `address`; a /31 or /32, which has none, gives the
// limited broadcast 255.255.255.255.
QString SubnetBroadcast(std::uint32_t address, std::uint32_t netmask);

// The network over given pieces. Without a usable interface the address comes from
// hostNameAddress (empty meaning "127.0.0.1") and the broadcast address is its /24.
LocalNetwork ChooseLocalNetwork(const QList<socketapi::InterfaceAddress> &interfaces,
                                const QStringList &defaultRouteInterfaces,
                                const std::function<QString()> &hostNameAddress);

// The network of this host, from its interfaces and routes.
LocalNetwork FindLocalNetwork();

// The network of the given own address: the subnet of the interface that holds it; an address
// no interface holds keeps its /24.
LocalNetwork NetworkOfAddress(const QList<socketapi::InterfaceAddress> &interfaces,
                              const QString &address);
LocalNetwork FindNetworkOf(const QString &address);

// This host's address as dotted text: the chosen interface's, else what the host name gives.
QString LocalHostAddress();

// The host name rules: hostName as read (empty when unreadable) gives "0.0.0.0"; a name
// beginning with a digit must be a dotted address (else the empty text); any other name is
// looked up with `lookup`, which gives its first IPv4 address or the empty text.
QString HostNameAddress(const QString &hostName,
                        const std::function<QString(const QString &)> &lookup);

// Four parts split at the first three "."; each a decimal number from 0 to 255.
bool IsDottedAddress(const QString &text);
// The same test, giving the address in host byte order.
bool ParseDottedAddress(const QString &text, std::uint32_t &address);
// Four decimal numbers joined by ".", without leading zeros.
QString DottedText(std::uint32_t address);
