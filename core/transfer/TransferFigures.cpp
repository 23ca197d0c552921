#include "TransferFigures.h"

#include <cmath>

namespace transfer
{

TransferProgress MakeProgress(qint64 done, qint64 total, qint64 elapsedMs)
{
    TransferProgress progress{done, total, 0, -1};
    if (elapsedMs <= 0 || done <= 0)
        return progress;
    progress.bytesPerSecond = double(done) * 1000.0 / double(elapsedMs);
    const qint64 left = total > done ? total - done : 0;
    progress.secondsLeft = qint64(std::ceil(double(left) / progress.bytesPerSecond));
    return progress;
}

SizeFigure FileSizeFigure(qint64 bytes, const QLocale &locale)
{
    QLocale writer = locale;
    writer.setNumberOptions(writer.numberOptions() | QLocale::OmitGroupSeparator);
    if (bytes < 1024)
        return {writer.toString(bytes), SizeUnit::Bytes};
    double value = double(bytes) / 1024.0;
    int unit = int(SizeUnit::KB);
    while (std::round(value * 10) >= 1024 * 10 && unit < int(SizeUnit::TB)) {
        value /= 1024.0;
        ++unit;
    }
    return {writer.toString(std::round(value * 10) / 10, 'f', 1), SizeUnit(unit)};
}

} // namespace transfer
