#include "TransferOutcome.h"
#include "TransferFigures.h"

using namespace Qt::StringLiterals;

namespace transfer
{

qint64 IncomingOffer::totalSize() const
{
    qint64 total = 0;
    for (const OfferedFile &file : files)
        total += file.size;
    return total;
}

QString DoneText(Direction direction)
{
    return direction == Direction::Outgoing ? u"Файлы отправлены"_s : u"Файлы получены"_s;
}

QString DeclinedText()
{
    return u"Получатель отказался от файлов"_s;
}

QString CancelledText()
{
    return u"Передача отменена"_s;
}

QString CancelledByPeerText()
{
    return u"Передача отменена собеседником"_s;
}

QString FailureText(FailureReason reason, const QString &fileName)
{
    switch (reason) {
    case FailureReason::HashMismatch:
        return u"Файл %1 пришёл с ошибкой (контрольная сумма не совпала) и удалён"_s.arg(fileName);
    case FailureReason::DiskFull:
        return u"Недостаточно места на диске получателя: файл %1 удалён"_s.arg(fileName);
    case FailureReason::WriteFailed:
        return u"Не удалось записать файл %1 у получателя: файл удалён"_s.arg(fileName);
    case FailureReason::ReadFailed:
        return u"Не удалось прочитать файл %1 у отправителя: передача прервана"_s.arg(fileName);
    case FailureReason::Protocol:
        break;
    }
    return u"Нарушен порядок передачи: файл %1 удалён"_s.arg(fileName);
}

QString DroppedText(const QString &fileName)
{
    return u"Соединение прервано: файл %1 удалён"_s.arg(fileName);
}

QString FileLine(Direction direction, const QString &name, qint64 size)
{
    return u"Файл %1 (%2) %3"_s.arg(
        name, FileSizeText(size), direction == Direction::Outgoing ? u"отправлен"_s : u"получен"_s);
}

} // namespace transfer
