#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QGuiApplication>
#include <QLockFile>
#include <QStandardPaths>

namespace
{

// The desktop this copy runs on: the window system and its display.
QString desktopKey()
{
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("DISPLAY");
    const QByteArray id = (QGuiApplication::platformName() + u':' + display).toUtf8();
    return QString::fromLatin1(
        QCryptographicHash::hash(id, QCryptographicHash::Sha1).toHex().left(16));
}

QString lockFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
}

} // namespace

SingleInstance::SingleInstance() = default;
SingleInstance::~SingleInstance() = default;

bool SingleInstance::Acquire()
{
    m_lock = std::make_unique<QLockFile>(lockFolder() + QStringLiteral("/TForm1-Palavrix-") +
                                         desktopKey() + QStringLiteral(".lock"));
    m_lock->setStaleLockTime(0);
    return m_lock->tryLock(0);
}
