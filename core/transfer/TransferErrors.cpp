#include "TransferErrors.h"

using namespace Qt::StringLiterals;

ETransferError::ETransferError(transfer::TransferFault fault, QString subject, QString detail)
    : AppError(u"file transfer fault %1: %2 %3"_s.arg(int(fault)).arg(subject, detail)),
      m_fault(fault), m_subject(std::move(subject)), m_detail(std::move(detail))
{
}
