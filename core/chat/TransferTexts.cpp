#include "TransferTexts.h"
#include "TransferErrors.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QLocale>

using namespace Qt::StringLiterals;
using namespace transfer;

namespace
{

// A broken or silent connection: the sender's file was not delivered, the receiver's partial
// copy was removed.
QString LostText(Failure failure, Direction direction, const QString &fileName)
{
    const bool outgoing = direction == Direction::Outgoing;
    if (failure == Failure::Stalled)
        return (outgoing
                    ? QCoreApplication::translate(
                          "Transfer", "Получатель долго не отвечал: файл %1 не доставлен")
                    : QCoreApplication::translate(
                          "Transfer",
                          "Отправитель долго не присылал данных: недополученный файл %1 удалён"))
            .arg(fileName);
    return (outgoing ? QCoreApplication::translate("Transfer",
                                                   "Соединение прервано: файл %1 не доставлен")
                     : QCoreApplication::translate(
                           "Transfer", "Соединение прервано: недополученный файл %1 удалён"))
        .arg(fileName);
}

QString FailureText(Failure failure, Direction direction, const QString &fileName,
                    const QString &detail)
{
    switch (failure) {
    case Failure::HashMismatch:
        return QCoreApplication::translate(
                   "Transfer", "Файл %1 пришёл с ошибкой (контрольная сумма не совпала) и удалён")
            .arg(fileName);
    case Failure::DiskFull:
        return QCoreApplication::translate("Transfer",
                                           "Недостаточно места на диске получателя: файл %1 удалён")
            .arg(fileName);
    case Failure::WriteFailed:
        return QCoreApplication::translate("Transfer",
                                           "Не удалось записать файл %1 у получателя: файл удалён")
            .arg(fileName);
    case Failure::ReadFailed:
        return QCoreApplication::translate(
                   "Transfer", "Не удалось прочитать файл %1 у отправителя: передача прервана")
            .arg(fileName);
    case Failure::Dropped:
    case Failure::Stalled:
        return LostText(failure, direction, fileName);
    case Failure::NotConnected:
        return QCoreApplication::translate("Transfer", "Отправитель не подключился");
    case Failure::ConnectFailed:
        return QCoreApplication::translate("Transfer", "Не удалось соединиться с получателем: %1")
            .arg(detail);
    case Failure::Protocol:
        break;
    }
    return QCoreApplication::translate("Transfer", "Нарушен порядок передачи: файл %1 удалён")
        .arg(fileName);
}

} // namespace

QString FileSizeText(qint64 bytes)
{
    static const char *const Units[] = {
        QT_TRANSLATE_NOOP("TransferFigures", " байт"), QT_TRANSLATE_NOOP("TransferFigures", "КБ"),
        QT_TRANSLATE_NOOP("TransferFigures", "МБ"), QT_TRANSLATE_NOOP("TransferFigures", "ГБ"),
        QT_TRANSLATE_NOOP("TransferFigures", "ТБ")};
    // The default locale is the one of the windows' language (uilanguage::Install).
    const SizeFigure figure = FileSizeFigure(bytes, QLocale());
    const QString unit = QCoreApplication::translate("TransferFigures", Units[int(figure.unit)]);
    // " байт" brings its own blank.
    if (figure.unit == SizeUnit::Bytes)
        return figure.number + unit;
    return figure.number + u' ' + unit;
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

QString TransferEndText(const TransferEnd &end)
{
    const bool outgoing = end.direction == Direction::Outgoing;
    switch (end.outcome) {
    case Outcome::Done:
        return outgoing ? QCoreApplication::translate("Transfer", "Файлы отправлены")
                        : QCoreApplication::translate("Transfer", "Файлы получены");
    case Outcome::Declined:
        return outgoing ? QCoreApplication::translate("Transfer", "Получатель отказался от файлов")
                        : QCoreApplication::translate("Transfer", "Вы отказались от файлов");
    case Outcome::Cancelled:
        return QCoreApplication::translate("Transfer", "Передача отменена");
    case Outcome::CancelledByPeer:
        return QCoreApplication::translate("Transfer", "Передача отменена собеседником");
    case Outcome::Expired:
        return outgoing
                   ? QCoreApplication::translate("Transfer", "Получатель не ответил за %1 мин.")
                         .arg(qMax(1, (end.waitedMs + 30000) / 60000))
                   : QCoreApplication::translate("Transfer", "Время ответа истекло");
    case Outcome::Failed:
        break;
    }
    return FailureText(end.failure, end.direction, end.fileName, end.detail);
}

QString StalledText(bool stalled)
{
    return stalled ? QCoreApplication::translate("Transfer",
                                                 "Передача остановилась: нет данных, ждём связи")
                   : QCoreApplication::translate("Transfer", "Передача возобновилась");
}

QString TransferErrorText(const ETransferError &error)
{
    switch (error.fault()) {
    case TransferFault::PortUnavailable:
        return QCoreApplication::translate("Transfer",
                                           "Не удалось открыть порт %1 для приёма файлов: %2")
            .arg(error.subject(), error.detail());
    case TransferFault::FileUnreadable:
        return QCoreApplication::translate("Transfer", "Не удалось открыть файл %1")
            .arg(error.subject());
    case TransferFault::NoFiles:
        return QCoreApplication::translate("Transfer", "Не выбрано ни одного файла");
    case TransferFault::OfferNotSent:
        return QCoreApplication::translate("Transfer", "Не удалось отправить предложение: %1")
            .arg(error.detail());
    case TransferFault::FolderNotWritable:
        return QCoreApplication::translate("Transfer", "В папку %1 нельзя записать файлы")
            .arg(error.subject());
    case TransferFault::OfferTooLarge:
        return QCoreApplication::translate("Transfer", "Слишком много файлов в одном предложении");
    case TransferFault::NoChecksum:
        break;
    }
    return error.detail();
}

QString FileLineText(Direction direction, const QString &name, qint64 size)
{
    return QCoreApplication::translate("Transfer", "Файл %1 (%2) %3")
        .arg(name, FileSizeText(size),
             direction == Direction::Outgoing ? QCoreApplication::translate("Transfer", "отправлен")
                                              : QCoreApplication::translate("Transfer", "получен"));
}

QString AddressText(const QHostAddress &address)
{
    bool v4 = false;
    const quint32 ip = address.toIPv4Address(&v4);
    return v4 ? QHostAddress(ip).toString() : address.toString();
}

QString SenderText(const QString &nick, const QString &address)
{
    return address.isEmpty() ? nick : nick + u" ("_s + address + u')';
}
