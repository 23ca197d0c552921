#pragma once

#include "TransferProtocol.h"

#include <QHostAddress>
#include <QList>
#include <QMetaType>
#include <QString>

namespace transfer
{

enum class Direction { Outgoing, Incoming };

// How a transfer ended, as both sides see it.
enum class Outcome {
    Done,
    Declined,        // the receiver said no to the offer
    Cancelled,       // the user on this side cancelled
    CancelledByPeer, // the other side cancelled or withdrew the offer
    Expired,         // the offer went unanswered for its lifetime
    Failed,          // the failure says what went wrong
};

// Why a transfer failed: the reasons the two sides tell each other, and what one side sees.
enum class Failure {
    HashMismatch,  // the file arrived damaged and was removed
    DiskFull,      // the receiver's disk filled up; the file was removed
    WriteFailed,   // the receiver could not write the file; it was removed
    ReadFailed,    // the sender could not read the file
    Protocol,      // a frame out of order; the file was removed
    Dropped,       // the connection broke: not delivered, the receiver's partial removed
    Stalled,       // nothing moved for too long: not delivered, the receiver's partial removed
    NotConnected,  // the sender never connected to the accepted offer
    ConnectFailed, // the receiver could not be reached
};

Failure FailureFrom(FailureReason reason);

// The end of a transfer, for the windows to word.
struct TransferEnd {
    Outcome outcome = Outcome::Done;
    Direction direction = Direction::Outgoing;
    Failure failure = Failure::Protocol; // for Failed
    QString fileName;                    // the file a failure concerns
    QString detail;                      // the system's reason, for ConnectFailed
    int waitedMs = 0;                    // for Expired: the offer's lifetime
};

// An offer another copy made to this one; names are already made safe.
struct IncomingOffer {
    QString token;
    QHostAddress sender;
    QString nick;
    QList<OfferedFile> files;
    qint64 totalSize() const;
};

} // namespace transfer

Q_DECLARE_METATYPE(transfer::IncomingOffer)
Q_DECLARE_METATYPE(transfer::TransferEnd)
