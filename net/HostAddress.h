#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// Host names and dotted IPv4 addresses.

// "LOCALHOST" in any letter case gives "127.0.0.1"; a dotted address is returned unchanged;
// anything else is looked up by name and gives its first IPv4 address. A failed lookup
// raises EIdSocketError 11001.
QString HostToAddress(const QString &host);

// This host's address as dotted text, empty or "0.0.0.0" when it cannot be found.
QString LocalHostAddress();

// The rules of LocalHostAddress over given pieces: hostName as read (empty when unreadable),
// lookup gives a name's first IPv4 address (empty on failure), interfaceAddress gives the
// address of the first up, broadcast-capable, non-loopback interface (empty when none).
QString ChooseLocalHostAddress(const QString &hostName,
                               const std::function<QString(const QString &)> &lookup,
                               const std::function<QString()> &interfaceAddress);

// Four parts split at the first three "."; each a decimal number from 0 to 255.
bool IsDottedAddress(const QString &text);
// The same test, giving the address in host byte order.
bool ParseDottedAddress(const QString &text, std::uint32_t &address);
// Four decimal numbers joined by ".", without leading zeros.
QString DottedText(std::uint32_t address);
