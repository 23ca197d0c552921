#include "TransferFigures.h"

#include <QCoreApplication>
#include <cmath>

using namespace Qt::StringLiterals;

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

QString FileSizeText(qint64 bytes)
{
    if (bytes < 1024)
        return QString::number(bytes) + QCoreApplication::translate("TransferFigures", " байт");
    static const char *const Units[] = {
        QT_TRANSLATE_NOOP("TransferFigures", "КБ"), QT_TRANSLATE_NOOP("TransferFigures", "МБ"),
        QT_TRANSLATE_NOOP("TransferFigures", "ГБ"), QT_TRANSLATE_NOOP("TransferFigures", "ТБ")};
    double value = double(bytes) / 1024.0;
    int unit = 0;
    while (std::round(value * 10) >= 1024 * 10 && unit < 3) {
        value /= 1024.0;
        ++unit;
    }
    QString number = QString::number(std::round(value * 10) / 10, 'f', 1);
    number.replace(u'.', u',');
    return number + u' ' + QCoreApplication::translate("TransferFigures", Units[unit]);
}

QString ProgressText(const TransferProgress &progress)
{
    QString text = FileSizeText(progress.done) +
                   QCoreApplication::translate("TransferFigures", " из ") +
                   FileSizeText(progress.total);
    if (progress.bytesPerSecond <= 0)
        return text;
    text += u", "_s + FileSizeText(qint64(progress.bytesPerSecond)) +
            QCoreApplication::translate("TransferFigures", "/с");
    if (progress.secondsLeft >= 0) {
        const qint64 s = progress.secondsLeft;
        text += QCoreApplication::translate("TransferFigures", ", осталось ");
        if (s >= 3600)
            text += QString::number(s / 3600) + u':' +
                    QString::number(s / 60 % 60).rightJustified(2, u'0') + u':';
        else
            text += QString::number(s / 60) + u':';
        text += QString::number(s % 60).rightJustified(2, u'0');
    }
    return text;
}

} // namespace transfer
