#include "SingleInstance.h"

#include "DesktopIdentity.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace
{

QString userId()
{
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

QString runtimeFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

// The desktop this copy runs on, for this user (the temporary folder may be shared).
QString desktopKey()
{
    const QString desktop = DesktopIdentity(qEnvironmentVariable("WAYLAND_DISPLAY"),
                                            qEnvironmentVariable("DISPLAY"), runtimeFolder());
    const QByteArray id = (userId() + u'|' + desktop).toUtf8();
    return QString::fromLatin1(
        QCryptographicHash::hash(id, QCryptographicHash::Sha1).toHex().left(16));
}

QString lockFolder()
{
    QString folder = runtimeFolder();
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
