#include "SessionTexts.h"

#include "ChatSession.h"
#include "Datagram.h"

#include <QCoreApplication>

namespace
{

QString faultText(const HistoryFailure &failure)
{
    switch (failure.fault) {
    case HistoryFault::Missing:
        return QCoreApplication::translate("SessionTexts", "файла нет");
    case HistoryFault::ReadOnlyFileSystem:
        return QCoreApplication::translate("SessionTexts",
                                           "файловая система доступна только для чтения");
    case HistoryFault::NoPermission:
        return QCoreApplication::translate("SessionTexts", "нет права записи");
    case HistoryFault::DiskFull:
        return QCoreApplication::translate("SessionTexts", "на диске нет места");
    case HistoryFault::Other:
        break;
    }
    return failure.detail;
}

} // namespace

QString MessageTooLongText(const EMessageTooLong &error)
{
    return QCoreApplication::translate(
               "SessionTexts",
               "Сообщение не отправлено: вместе с никами оно не помещается в один сетевой пакет "
               "(%1 байта). Сократите текст (лишних знаков: %2)")
        .arg(MaxDatagramBytes)
        .arg(error.excessBytes());
}

QString HistoryNotSavedText(const QString &path, const HistoryFailure &failure)
{
    return QCoreApplication::translate(
               "SessionTexts",
               "История сообщений не сохраняется: файл %1 нельзя записать (%2). Приватные "
               "сообщения будут показаны, но не запомнены")
        .arg(path, faultText(failure));
}
