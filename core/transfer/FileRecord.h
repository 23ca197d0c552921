#pragma once

#include "TransferOutcome.h"

#include <QString>

namespace transfer
{

// The line the private history keeps of a file sent or received: "Файл report.pdf (1,2 МБ)
// отправлен" / "получен". Stored data: the same in every copy, whatever language the windows
// speak, so a history reads and searches alike everywhere.
QString FileHistoryLine(Direction direction, const QString &name, qint64 size);

} // namespace transfer
