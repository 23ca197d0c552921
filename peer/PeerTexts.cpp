#include "PeerTexts.h"

#include <QCoreApplication>

namespace peertexts
{
QString NickRequired()
{
    return QCoreApplication::translate("PeerTexts", "нужен параметр --nick");
}

QString BadPorts()
{
    return QCoreApplication::translate("PeerTexts",
                                       "--ports принимает три номера портов, например 555,556,557");
}

QString BadColor()
{
    return QCoreApplication::translate("PeerTexts", "--color принимает число от 0 до 19");
}

QString BadFilePort()
{
    return QCoreApplication::translate(
        "PeerTexts", "--file-port принимает номер порта или 0, чтобы не передавать файлы");
}

QString UnknownOption(const QString &name)
{
    return QCoreApplication::translate("PeerTexts", "неизвестный параметр %1")
        .arg((name.size() == 1 ? u"-" : u"--") + name);
}

QString StrayArgument(const QString &argument)
{
    return QCoreApplication::translate("PeerTexts", "лишний аргумент %1").arg(argument);
}

QString SeeHelp()
{
    return QCoreApplication::translate("PeerTexts", "подробнее: palavrix-peer --help");
}

QString CannotListen(const QList<int> &ports)
{
    QStringList numbers;
    for (int port : ports)
        numbers << QString::number(port);
    if (numbers.size() == 1)
        return QCoreApplication::translate(
                   "PeerTexts",
                   "не удалось открыть порт %1: он занят или нет права на порты ниже 1024")
            .arg(numbers[0]);
    return QCoreApplication::translate(
               "PeerTexts",
               "не удалось открыть порты %1: они заняты или нет права на порты ниже 1024")
        .arg(numbers.join(QStringLiteral(", ")));
}

QString ListenHint()
{
    return QCoreApplication::translate(
        "PeerTexts", "--send-only запускает без приёма, --file-port 0 - без передачи файлов");
}

QString BadFolder(const QString &path, FolderFault fault)
{
    switch (fault) {
    case FolderFault::Missing:
        return QCoreApplication::translate("PeerTexts", "папки %1 нет").arg(path);
    case FolderFault::NotAFolder:
        return QCoreApplication::translate("PeerTexts", "%1 - не папка").arg(path);
    case FolderFault::NotWritable:
        break;
    }
    return QCoreApplication::translate("PeerTexts", "в папку %1 нельзя записывать").arg(path);
}

QString CannotSend(const QString &detail)
{
    return QCoreApplication::translate("PeerTexts", "не удаётся отправлять: %1").arg(detail);
}

QString HistoryNotSaved(const QString &path, const QString &detail)
{
    return QCoreApplication::translate("PeerTexts", "история не сохраняется: %1: %2")
        .arg(path, detail);
}

QString MessageTooLong(qsizetype excessBytes)
{
    return QCoreApplication::translate(
               "PeerTexts", "сообщение не отправлено: оно не помещается в один сетевой пакет "
                            "(лишних байтов: %1)")
        .arg(excessBytes);
}

QString MsgUsage()
{
    return QCoreApplication::translate("PeerTexts", "использование: /msg NICK текст");
}

QString NobodyHeard(const QString &nick)
{
    return QCoreApplication::translate("PeerTexts", "пользователь \"%1\" ещё не слышен").arg(nick);
}

QString NoFileTransfer()
{
    return QCoreApplication::translate("PeerTexts", "передача файлов выключена");
}

} // namespace peertexts
