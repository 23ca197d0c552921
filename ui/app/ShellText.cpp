#include "ShellText.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>

QString ApplicationTitleFor(const QString &executablePath)
{
    QString name = executablePath;
    const qsizetype slash = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    name.remove(0, slash + 1);
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    if (name.size() > 1)
        name = name.left(1) + name.mid(1).toLower();
    return name;
}

QString ExitQuestionText(qint32 runSeconds, const QString &applicationTitle)
{
    const qint32 d = runSeconds / 86400;
    const qint32 h = (runSeconds / 3600) % 24;
    const qint32 m = (runSeconds / 60) % 60;
    const qint32 s = runSeconds % 60;
    return QCoreApplication::translate("ShellText", "Время проведенное в программе: ") +
           QString::number(d) + QCoreApplication::translate("ShellText", " дн.  ") +
           QString::number(h) + QCoreApplication::translate("ShellText", " ч. ") +
           QString::number(m) + QCoreApplication::translate("ShellText", " мин. ") +
           QString::number(s) + QCoreApplication::translate("ShellText", " сек.") +
           QStringLiteral("\r\r") +
           QCoreApplication::translate("ShellText", "Завершить работу программы ") +
           applicationTitle + u'?';
}

QString ConfigSaveErrorText(const QString &fileName, int error)
{
    QString cause;
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        cause = QCoreApplication::translate("ShellText", "на диске нет места");
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        cause = QCoreApplication::translate("ShellText", "нет права записи в файл или папку");
        break;
    default:
        cause = QCoreApplication::translate("ShellText", "ошибка ввода-вывода %1").arg(error);
    }
    return QCoreApplication::translate("ShellText",
                                       "Не удалось сохранить настройки в файл %1: %2. Настройки "
                                       "этого сеанса потеряны, прежний файл %1 не изменён")
        .arg(fileName, cause);
}

QString UserCountText(int users)
{
    return QCoreApplication::translate("ShellText", "Пользователей в чате: ") +
           QString::number(users);
}
