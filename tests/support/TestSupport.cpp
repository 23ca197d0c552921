#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

#include <sys/mount.h>
#include <unistd.h>

namespace testsupport
{

namespace
{

void setWritable(const QString &folder, bool writable)
{
    const QFileDevice::Permissions write =
        QFileDevice::WriteOwner | QFileDevice::WriteUser | QFileDevice::WriteGroup;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden)) {
        QFile file(dir.filePath(name));
        file.setPermissions(writable ? file.permissions() | write : file.permissions() & ~write);
    }
    QFile self(folder);
    self.setPermissions(writable ? self.permissions() | write : self.permissions() & ~write);
}

} // namespace

ReadOnlyFolder::ReadOnlyFolder(const QString &folder) : m_folder(folder)
{
    const QByteArray path = QFile::encodeName(folder);
    if (::geteuid() == 0) {
        if (::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0)
            throw std::runtime_error("cannot bind-mount the folder");
        if (::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                    nullptr) != 0) {
            ::umount2(path.constData(), MNT_DETACH);
            throw std::runtime_error("cannot make the bind mount read-only");
        }
        m_mounted = true;
    } else {
        setWritable(folder, false);
    }
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    else
        setWritable(m_folder, true);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file");
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

} // namespace testsupport

#include "Cp1251.h"

#include <QStringList>
#include <QTest>

#include <algorithm>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport
{

int freeUdpPort()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) != 0)
        throw std::runtime_error("no free UDP port");
    ::close(fd);
    return ntohs(addr.sin_port);
}

void writeChatCfg(const QString &folder, const QString &nick,
                  const QList<QPair<QString, QString>> &overrides)
{
    QStringList lines = {QStringLiteral("FontColor=0"),
                         QStringLiteral("BGColor=15"),
                         QStringLiteral("AlphaBlend=0"),
                         QStringLiteral("AlphaBlendValue=17"),
                         QStringLiteral("ShowMainWND=0"),
                         QStringLiteral("PlaySndOnRcv=0"),
                         QStringLiteral("ShowMsgTime=0"),
                         QStringLiteral("ShowIP=0"),
                         QStringLiteral("RedrawUsrWnd=1"),
                         QStringLiteral("ShowPrivateWND=0"),
                         QStringLiteral("PlaySndOnPrivateRcv=0"),
                         QStringLiteral("AutoLogon=1"),
                         QStringLiteral("SavedNick=") + nick,
                         QStringLiteral("StartMinimized=0"),
                         QStringLiteral("Skin="),
                         QStringLiteral("IgnUsrClr=0"),
                         QStringLiteral("IncommingMsgClr=0"),
                         QStringLiteral("SelectHistoryClr=0"),
                         QStringLiteral("IncClr=9"),
                         QStringLiteral("OutClr=4"),
                         QStringLiteral("SysClr=19"),
                         QStringLiteral("AutoRun=0"),
                         QStringLiteral("ChangeIP=1"),
                         QStringLiteral("BroadcastIP=127.0.0.1"),
                         QStringLiteral("ChangePort=1"),
                         QStringLiteral("MainPort=%1").arg(freeUdpPort()),
                         QStringLiteral("PrivatePort=%1").arg(freeUdpPort()),
                         QStringLiteral("SystemPort=%1").arg(freeUdpPort())};
    for (const auto &[key, text] : overrides) {
        const auto line = std::find_if(lines.begin(), lines.end(), [&key](const QString &l) {
            return l.startsWith(key + u'=');
        });
        QVERIFY2(line != lines.end(), qPrintable(key));
        *line = text;
    }
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += cp1251::encode(line) + "\r\n";
    writeFile(folder + QStringLiteral("/Chat.cfg"), bytes);
}

} // namespace testsupport
