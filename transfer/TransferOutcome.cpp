#include "TransferOutcome.h"
#include "TransferFigures.h"

#include <QCoreApplication>

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
    return direction == Direction::Outgoing
               ? QCoreApplication::translate("Transfer", "Файлы отправлены")
               : QCoreApplication::translate("Transfer", "Файлы получены");
}

QString DeclinedText()
{
    return QCoreApplication::translate("Transfer", "Получатель отказался от файлов");
}

QString CancelledText()
{
    return QCoreApplication::translate("Transfer", "Передача отменена");
}

QString CancelledByPeerText()
{
    return QCoreApplication::translate("Transfer", "Передача отменена собеседником");
}

QString FailureText(FailureReason reason, const QString &fileName)
{
    switch (reason) {
    case FailureReason::HashMismatch:
        return QCoreApplication::translate(
                   "Transfer", "Файл %1 пришёл с ошибкой (контрольная сумма не совпала) и удалён")
            .arg(fileName);
    case FailureReason::DiskFull:
        return QCoreApplication::translate("Transfer",
                                           "Недостаточно места на диске получателя: файл %1 удалён")
            .arg(fileName);
    case FailureReason::WriteFailed:
        return QCoreApplication::translate("Transfer",
                                           "Не удалось записать файл %1 у получателя: файл удалён")
            .arg(fileName);
    case FailureReason::ReadFailed:
        return QCoreApplication::translate(
                   "Transfer", "Не удалось прочитать файл %1 у отправителя: передача прервана")
            .arg(fileName);
    case FailureReason::Protocol:
        break;
    }
    return QCoreApplication::translate("Transfer", "Нарушен порядок передачи: файл %1 удалён")
        .arg(fileName);
}

QString DroppedText(const QString &fileName)
{
    return QCoreApplication::translate("Transfer", "Соединение прервано: файл %1 удалён")
        .arg(fileName);
}

QString FileLine(Direction direction, const QString &name, qint64 size)
{
    return QCoreApplication::translate("Transfer", "Файл %1 (%2) %3")
        .arg(name, FileSizeText(size),
             direction == Direction::Outgoing ? QCoreApplication::translate("Transfer", "отправлен")
                                              : QCoreApplication::translate("Transfer", "получен"));
}

} // namespace transfer
