#pragma once

#include <QLocale>
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

enum class SizeUnit { Bytes, KB, MB, GB, TB };

// A size as it is shown: "512" bytes, or one decimal in binary units, written as `locale`
// writes numbers without group separators ("1,2" MB in Russian, "1.2" MB in English).
struct SizeFigure {
    QString number;
    SizeUnit unit = SizeUnit::Bytes;
};

SizeFigure FileSizeFigure(qint64 bytes, const QLocale &locale);

} // namespace transfer
