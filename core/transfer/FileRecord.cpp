#include "FileRecord.h"
#include "TransferFigures.h"

using namespace Qt::StringLiterals;

namespace transfer
{

namespace
{

QString StoredSize(qint64 bytes)
{
    // The history keeps the Russian form whatever the language of the windows.
    const SizeFigure figure = FileSizeFigure(bytes, QLocale(QLocale::Russian));
    switch (figure.unit) {
    case SizeUnit::Bytes:
        return figure.number + u" байт"_s;
    case SizeUnit::KB:
        return figure.number + u" КБ"_s;
    case SizeUnit::MB:
        return figure.number + u" МБ"_s;
    case SizeUnit::GB:
        return figure.number + u" ГБ"_s;
    case SizeUnit::TB:
        break;
    }
    return figure.number + u" ТБ"_s;
}

} // namespace

QString FileHistoryLine(Direction direction, const QString &name, qint64 size)
{
    return u"Файл "_s + name + u" ("_s + StoredSize(size) + u") "_s +
           (direction == Direction::Outgoing ? u"отправлен"_s : u"получен"_s);
}

} // namespace transfer
