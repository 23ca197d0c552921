#pragma once

#include <QString>

namespace transfer
{

// How far a transfer is: bytes so far, the average rate since it began and the time left.
struct TransferProgress {
    qint64 done = 0;
    qint64 total = 0;
    double bytesPerSecond = 0; // 0 until a rate is known
    qint64 secondsLeft = -1;   // -1 while unknown
};

TransferProgress MakeProgress(qint64 done, qint64 total, qint64 elapsedMs);

// "512 байт", "1,2 КБ", "1,2 МБ", "3,4 ГБ": one decimal, a comma before it, binary units.
QString FileSizeText(qint64 bytes);
// "1,2 МБ/с, осталось 0:42" and the like, for a progress line.
QString ProgressText(const TransferProgress &progress);

} // namespace transfer
