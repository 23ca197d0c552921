#pragma once

#include "AppError.h"

namespace transfer
{

// What could not be set up.
enum class TransferFault {
    PortUnavailable,   // subject: the port; detail: the system's reason
    FileUnreadable,    // subject: the file
    NoFiles,           // nothing was chosen
    OfferNotSent,      // detail: the system's reason
    FolderNotWritable, // subject: the folder
    OfferTooLarge,     // too many files, or names too long, for one offer
    NoChecksum,        // the checksum library cannot be loaded; detail: why
};

} // namespace transfer

// A file transfer that cannot be set up, for the windows to word: the fault, the port, file or
// folder it concerns and the system's reason where there is one.
class ETransferError final : public AppError
{
public:
    explicit ETransferError(transfer::TransferFault fault, QString subject = {},
                            QString detail = {});
    transfer::TransferFault fault() const noexcept { return m_fault; }
    const QString &subject() const noexcept { return m_subject; }
    const QString &detail() const noexcept { return m_detail; }

private:
    transfer::TransferFault m_fault;
    QString m_subject;
    QString m_detail;
};
