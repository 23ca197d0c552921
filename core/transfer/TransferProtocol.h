#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// What copies that take files say to each other. Datagrams on the file port (UDP) carry the
// announcement and the offer with its answers; the data goes over TCP to the same port number
// as frames. Both are this program's own and never touch the chat's ports.
namespace transfer
{

inline constexpr quint16 DefaultFilePort = 558;
inline constexpr int MaxDatagramSize = 60000;
inline constexpr int MaxOfferFiles = 256;
inline constexpr int TokenLength = 32;

enum class DatagramKind { Announce, Offer, Accept, Decline, Cancel };

struct OfferedFile {
    QString name;
    qint64 size = 0;
    bool operator==(const OfferedFile &) const = default;
};

struct TransferDatagram {
    DatagramKind kind = DatagramKind::Announce;
    quint16 port = 0;         // Announce, Accept: the TCP port taking the data
    QString nick;             // Announce, Offer
    QString token;            // Offer, Accept, Decline, Cancel
    QList<OfferedFile> files; // Offer
    bool operator==(const TransferDatagram &) const = default;
};

// Throws ETransferError when the datagram would be too long (too many or too long names).
QByteArray BuildDatagram(const TransferDatagram &datagram);
// Anything malformed, of an unknown kind or outside the limits gives nothing.
std::optional<TransferDatagram> ParseDatagram(const QByteArray &bytes);

// 128 random bits as 32 lower-case hexadecimal digits.
QString NewToken();
bool IsToken(const QString &text);

// TCP frames: a type byte, a 32-bit big-endian payload length, the payload.
enum class FrameType : char {
    Token = 'T',    // sender: the offer's token, first and once
    Data = 'D',     // sender: the next bytes of the current file
    Digest = 'H',   // sender: SHA-256 of the current file, which ends it
    FileDone = 'K', // receiver: the current file arrived whole and is saved
    Failure = 'E',  // either side: one byte, a FailureReason; the connection ends
    Cancel = 'X',   // either side: the user cancelled; the connection ends
};

enum class FailureReason : char {
    HashMismatch = 1,
    DiskFull = 2,
    WriteFailed = 3,
    ReadFailed = 4,
    Protocol = 5,
    Stalled = 6, // nothing moved for the stall time
};

inline constexpr int FrameHeaderSize = 5;
inline constexpr quint32 MaxDataPayload = 1u << 20;
inline constexpr int DigestSize = 32;

struct FrameHeader {
    FrameType type = FrameType::Data;
    quint32 length = 0;
    bool operator==(const FrameHeader &) const = default;
};

QByteArray BuildFrameHeader(FrameType type, quint32 length);
// An unknown type or a length the type cannot have gives nothing.
std::optional<FrameHeader> ParseFrameHeader(const QByteArray &header);

} // namespace transfer
