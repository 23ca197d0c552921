#include "TransferOutcome.h"

namespace transfer
{

qint64 IncomingOffer::totalSize() const
{
    qint64 total = 0;
    for (const OfferedFile &file : files)
        total += file.size;
    return total;
}

Failure FailureFrom(FailureReason reason)
{
    switch (reason) {
    case FailureReason::HashMismatch:
        return Failure::HashMismatch;
    case FailureReason::DiskFull:
        return Failure::DiskFull;
    case FailureReason::WriteFailed:
        return Failure::WriteFailed;
    case FailureReason::ReadFailed:
        return Failure::ReadFailed;
    case FailureReason::Stalled:
        return Failure::Stalled;
    case FailureReason::Protocol:
        break;
    }
    return Failure::Protocol;
}

} // namespace transfer
