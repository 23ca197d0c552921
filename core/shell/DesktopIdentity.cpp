#include "DesktopIdentity.h"

#include <QDir>

namespace
{

QString xDisplay(const QString &display)
{
    const qsizetype colon = display.lastIndexOf(u':');
    if (colon < 0)
        return QStringLiteral("x11:") + display;
    QString host = display.left(colon);
    if (host == u"unix" || host == u"localhost" || host == u"127.0.0.1")
        host.clear();
    QString number = display.mid(colon + 1);
    const qsizetype dot = number.indexOf(u'.');
    if (dot >= 0)
        number.truncate(dot);
    return QStringLiteral("x11:") + host + u':' + number;
}

} // namespace

QString DesktopIdentity(const QString &waylandDisplay, const QString &display,
                        const QString &runtimeDir)
{
    if (!waylandDisplay.isEmpty()) {
        const QString path = QDir::isAbsolutePath(waylandDisplay)
                                 ? waylandDisplay
                                 : QDir(runtimeDir).filePath(waylandDisplay);
        return QStringLiteral("wayland:") + QDir::cleanPath(path);
    }
    return xDisplay(display);
}
