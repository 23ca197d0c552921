#include "Autorun.h"

#include "AppError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

#ifdef Q_OS_WIN
#include <QSettings>
#endif

namespace autorun
{
namespace
{

#ifdef Q_OS_WIN
const QString RunKey =
    QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
#endif

[[noreturn]] void failToSet()
{
    throw AppError(QStringLiteral("Failed to set data for '%1'").arg(EntryName()));
}

// Characters that make an Exec argument need quoting.
bool isReserved(QChar c)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return reserved.contains(c);
}

// Escapes a desktop entry string value: backslash and the control characters.
QString escapeString(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

QString EntryName()
{
    return QStringLiteral("Palavrix");
}

QString AutostartFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1String("/autostart");
}

QString EntryFile(const QString &folder)
{
    return folder + QLatin1Char('/') + EntryName() + QLatin1String(".desktop");
}

QString DesktopExec(const QString &program)
{
    QString arg = program;
    if (std::any_of(program.cbegin(), program.cend(), isReserved)) {
        arg = QStringLiteral("\"");
        for (const QChar c : program) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                arg += QLatin1Char('\\');
            arg += c;
        }
        arg += QLatin1Char('"');
    }
    arg.replace(QLatin1Char('%'), QLatin1String("%%"));
    return escapeString(arg);
}

QByteArray DesktopEntry(const QString &program)
{
    const QString text = QLatin1String("[Desktop Entry]\n"
                                       "Type=Application\n"
                                       "Name=") +
                         EntryName() + QLatin1String("\nExec=") + DesktopExec(program) +
                         QLatin1String("\nPath=") +
                         escapeString(QFileInfo(program).absolutePath()) +
                         QLatin1String("\nTerminal=false\n"
                                       "X-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}

void SetAutorunEntry(const QString &program, const QString &folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
    QSettings run(RunKey, QSettings::NativeFormat);
    if (!run.isWritable())
        failToSet();
    run.setValue(EntryName(), QDir::toNativeSeparators(program));
    run.sync();
    if (run.status() != QSettings::NoError)
        failToSet();
#else
    if (!QDir().mkpath(folder))
        failToSet();
    QSaveFile file(EntryFile(folder));
    const QByteArray entry = DesktopEntry(program);
    if (!file.open(QIODevice::WriteOnly) || file.write(entry) != entry.size() || !file.commit())
        failToSet();
#endif
}

void RemoveAutorunEntry(const QString &folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
    QSettings run(RunKey, QSettings::NativeFormat);
    run.remove(EntryName());
#else
    QFile::remove(EntryFile(folder));
#endif
}

} // namespace autorun
