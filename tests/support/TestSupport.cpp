#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <stdexcept>
#include <string>

#include <csignal>

#include <sys/mount.h>
#include <sys/resource.h>
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

SmallDisk::SmallDisk(const QByteArray &size)
{
    if (::geteuid() == 0 && m_dir.isValid())
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0,
                            QByteArray("size=" + size).constData()) == 0;
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

FileSizeLimit::FileSizeLimit(long long bytes)
{
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    m_savedSoft = static_cast<long long>(limit.rlim_cur);
    m_savedHard = static_cast<long long>(limit.rlim_max);
    m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{static_cast<rlim_t>(bytes), limit.rlim_max};
    require(::setrlimit(RLIMIT_FSIZE, &small) == 0, "cannot limit the file size");
}

FileSizeLimit::~FileSizeLimit()
{
    const rlimit saved{static_cast<rlim_t>(m_savedSoft), static_cast<rlim_t>(m_savedHard)};
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, m_savedHandler);
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

#include <QCoreApplication>
#include <QMetaMethod>
#include <QStringList>
#include <QTest>
#include <QTranslator>

#include <cstdio>

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
        if (line == lines.end())
            throw std::invalid_argument("no Chat.cfg line has the key " + key.toStdString());
        *line = text;
    }
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += cp1251::encode(line) + "\r\n";
    writeFile(folder + QStringLiteral("/Chat.cfg"), bytes);
}

} // namespace testsupport

namespace testsupport
{

namespace
{

bool isTestFunction(const QMetaMethod &method)
{
    static const QList<QByteArray> fixtures = {"initTestCase", "initTestCase_data",
                                               "cleanupTestCase", "init", "cleanup"};
    const QByteArray name = method.name();
    return method.methodType() == QMetaMethod::Slot && method.access() == QMetaMethod::Private &&
           method.parameterCount() == 0 && !name.endsWith("_data") && !fixtures.contains(name);
}

// Qt Test skips the clean-up of a function an exception left; run it, so that the next
// function starts from a clean state.
void cleanUpAfter(QObject &test)
{
    for (const char *slot : {"cleanup", "cleanupTestCase"}) {
        if (test.metaObject()->indexOfMethod(QByteArray(QByteArray(slot) + "()").constData()) < 0)
            continue;
        try {
            QMetaObject::invokeMethod(&test, slot, Qt::DirectConnection);
        } catch (...) {
            std::fprintf(stderr, "%s: threw as well\n", slot);
        }
    }
}

// Runs one test function; an exception that escaped it has been reported as its failure.
bool runOne(QObject &test, const char *program, const QByteArray &function)
{
    QStringList arguments{QString::fromLocal8Bit(program), QString::fromLatin1(function)};
    try {
        return QTest::qExec(&test, arguments) == 0;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s: %s\n", function.constData(), error.what());
    } catch (...) {
        std::fprintf(stderr, "%s: an exception of an unknown type\n", function.constData());
    }
    cleanUpAfter(test);
    return false;
}

} // namespace

void require(bool ok, const char *what)
{
    if (!ok)
        throw std::runtime_error(std::string("failed: ") + what);
}

int runTests(QObject &test, int argc, char **argv)
{
    if (argc > 1)
        return QTest::qExec(&test, argc, argv);
    const QMetaObject *meta = test.metaObject();
    int failed = 0;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
        if (isTestFunction(meta->method(i)) && !runOne(test, argv[0], meta->method(i).name()))
            ++failed;
    return failed;
}

std::unique_ptr<QTranslator> speakEnglish(bool english, const QString &folder)
{
    // Numbers follow the language of the windows, as the program's start sets them.
    QLocale::setDefault(english ? QLocale(QLocale::English, QLocale::UnitedStates)
                                : QLocale(QLocale::Russian, QLocale::Russia));
    if (!english)
        return nullptr;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("palavrix_en"), folder))
        throw std::runtime_error("palavrix_en.qm is missing");
    QCoreApplication::installTranslator(translator.get());
    return translator;
}

} // namespace testsupport
