#include "AppError.h"
#include "ConfigFile.h"
#include "DesktopIdentity.h"
#include "ShellText.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <unistd.h>

class TestShell final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void loadLines_data();
    void loadLines();
    void valueOfLine_data();
    void valueOfLine();
    void missingFile();
    void saveWritesCodePageAndCrLf();
    void failedSaveKeepsOldFile();
    void saveOnFullDiskKeepsOldFile();
    void applicationTitle_data();
    void applicationTitle();
    void errorBoxText_data();
    void errorBoxText();
    void exitQuestion();
    void desktopIdentity_data();
    void desktopIdentity();
};

void TestShell::loadLines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("CR LF line ends") << QByteArray("A=1\r\nB=2\r\n") << 2 << QStringLiteral("B=2");
    QTest::newRow("LF alone ends a line") << QByteArray("A=1\nB=2\n") << 2 << QStringLiteral("B=2");
    QTest::newRow("a CR cuts the line, the next begins after the LF")
        << QByteArray("A=1\rjunk\nB=2") << 1 << QStringLiteral("A=1");
    QTest::newRow("a last line without an end")
        << QByteArray("A=1\r\nB=2") << 2 << QStringLiteral("B=2");
    QTest::newRow("a missing line is empty") << QByteArray("A=1\r\n") << 28 << QString();
    QTest::newRow("line 28 of 30 is read") << QByteArray("x\n").repeated(27) + "last\n29\n30\n"
                                           << 28 << QStringLiteral("last");
    QTest::newRow("code page 1251 text")
        << QByteArray("SavedNick=\xC2\xE0\xF1\xFF\r\n") << 1 << QStringLiteral("SavedNick=Вася");
}

void TestShell::loadLines()
{
    QFETCH(QByteArray, content);
    QFETCH(int, line);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    testsupport::writeFile(dir.filePath(QStringLiteral("Chat.cfg")), content);
    ConfigLines config;
    config.Load(dir.filePath(QStringLiteral("Chat.cfg")));
    QCOMPARE(config[line], expected);
}

void TestShell::valueOfLine_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("value");
    QTest::newRow("the proper key") << QStringLiteral("FontColor=3") << QStringLiteral("3");
    QTest::newRow("another key") << QStringLiteral("x=3") << QStringLiteral("3");
    QTest::newRow("no key at all") << QStringLiteral("3") << QStringLiteral("3");
    QTest::newRow("a value holding =") << QStringLiteral("SavedNick=a=b") << QStringLiteral("a=b");
    QTest::newRow("an empty value") << QStringLiteral("ShowIP=") << QString();
}

void TestShell::valueOfLine()
{
    QFETCH(QString, entry);
    QFETCH(QString, value);
    ConfigLines config;
    config[5] = entry;
    QCOMPARE(config.ValueOf(5), value);
    QCOMPARE(config[5], value);
}

void TestShell::missingFile()
{
    QTemporaryDir dir;
    ConfigLines config;
    config[1] = QStringLiteral("stale");
    try {
        config.Load(dir.filePath(QStringLiteral("Chat.cfg")));
        QFAIL("a missing file loaded");
    } catch (const EInOutError &error) {
        QCOMPARE(error.message(), QStringLiteral("File not found"));
    }
    for (int line = 1; line <= ConfigLines::LineCount; ++line)
        QVERIFY(config[line].isEmpty());
}

void TestShell::saveWritesCodePageAndCrLf()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Chat.cfg"));
    ConfigLines config;
    for (int line = 1; line <= ConfigLines::LineCount; ++line)
        config[line] = ConfigLines::Key(line) + QStringLiteral("=0");
    config[13] = QStringLiteral("SavedNick=Вася");
    config.Save(path);
    const QByteArray bytes = testsupport::readFile(path);
    QCOMPARE(bytes.count("\r\n"), 28);
    QVERIFY(bytes.endsWith("SystemPort=0\r\n"));
    QVERIFY(bytes.contains("\r\nSavedNick=\xC2\xE0\xF1\xFF\r\nStartMinimized=0\r\n"));
    QVERIFY(bytes.startsWith("FontColor=0\r\nBGColor=0\r\n"));
    QVERIFY(bytes.contains("IncommingMsgClr=0\r\n"));
    QVERIFY(bytes.contains("PlaySndOnPrivateRcv=0\r\n"));
}

void TestShell::failedSaveKeepsOldFile()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("locked"));
    // A folder in place of the file cannot be replaced by the save.
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/Chat.cfg")));
    ConfigLines config;
    QVERIFY_THROWS_EXCEPTION(EInOutError, config.Save(folder + QStringLiteral("/Chat.cfg")));
    QVERIFY(QFileInfo(folder + QStringLiteral("/Chat.cfg")).isDir());
}

namespace
{

// A 64 KB tmpfs mounted on a temporary folder for the test's life; needs root.
class SmallDisk final
{
public:
    SmallDisk()
    {
        if (::geteuid() == 0 && m_dir.isValid())
            m_mounted = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0,
                                "size=64k") == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    Q_DISABLE_COPY_MOVE(SmallDisk)

    bool mounted() const { return m_mounted; }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    // Writes filler until the disk refuses more.
    void fill() const
    {
        QFile filler(filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(1024, 'x');
        while (filler.write(block) == block.size()) {
        }
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

} // namespace

void TestShell::saveOnFullDiskKeepsOldFile()
{
    SmallDisk disk;
    if (!disk.mounted())
        QSKIP("mounting a small tmpfs needs root");
    const QString path = disk.filePath(QStringLiteral("Chat.cfg"));
    const QByteArray old = QByteArray("FontColor=3\r\n").repeated(ConfigLines::LineCount);
    testsupport::writeFile(path, old);
    disk.fill();

    ConfigLines config;
    for (int line = 1; line <= ConfigLines::LineCount; ++line)
        config[line] = ConfigLines::Key(line) + QStringLiteral("=1");
    try {
        config.Save(path);
        QFAIL("a save on a full disk reported success");
    } catch (const EInOutError &error) {
        QCOMPARE(error.message(),
                 QStringLiteral("Не удалось сохранить настройки в файл Chat.cfg: на диске нет "
                                "места. Настройки этого сеанса потеряны, прежний файл Chat.cfg "
                                "не изменён"));
    }
    QCOMPARE(testsupport::readFile(path), old);
    QCOMPARE(QDir(disk.filePath(QString())).entryList(QDir::Files | QDir::Hidden),
             QStringList({QStringLiteral("Chat.cfg"), QStringLiteral("filler")}));
}

void TestShell::applicationTitle_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("the program") << QStringLiteral("/opt/chat/Palavrix")
                                 << QStringLiteral("Palavrix");
    QTest::newRow("an extension in mixed case")
        << QStringLiteral("C:\\Chat\\MyChat.Exe") << QStringLiteral("Mychat");
    QTest::newRow("everything from the first dot goes")
        << QStringLiteral("/x/PALAVRIX.v2.bin") << QStringLiteral("Palavrix");
}

void TestShell::applicationTitle()
{
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(ApplicationTitleFor(path), title);
}

void TestShell::errorBoxText_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a letter gets a full stop")
        << QStringLiteral("File not found") << QStringLiteral("File not found.");
    QTest::newRow("a full stop stays single")
        << QStringLiteral("Host not found.") << QStringLiteral("Host not found.");
    QTest::newRow("an apostrophe is below the full stop")
        << QStringLiteral("'' is not a valid integer value'")
        << QStringLiteral("'' is not a valid integer value'");
    QTest::newRow("a digit is above it")
        << QStringLiteral("I/O error 5") << QStringLiteral("I/O error 5.");
    QTest::newRow("an empty message") << QString() << QString();
}

void TestShell::errorBoxText()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(ErrorBoxText(message), shown);
}

void TestShell::exitQuestion()
{
    QCOMPARE(ExitQuestionText(93784, QStringLiteral("Palavrix")),
             QStringLiteral("Время проведенное в программе: 1 дн.  2 ч. 3 мин. 4 сек.\r\r"
                            "Завершить работу программы Palavrix?"));
    QCOMPARE(ExitQuestionText(0, QStringLiteral("Mychat")),
             QStringLiteral("Время проведенное в программе: 0 дн.  0 ч. 0 мин. 0 сек.\r\r"
                            "Завершить работу программы Mychat?"));
}

void TestShell::desktopIdentity_data()
{
    QTest::addColumn<QString>("wayland");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("identity");

    QTest::newRow("The screen number does not count")
        << QString() << QStringLiteral(":0.0") << QStringLiteral("x11::0");
    QTest::newRow("The plain display")
        << QString() << QStringLiteral(":0") << QStringLiteral("x11::0");
    QTest::newRow("The unix host is the local display")
        << QString() << QStringLiteral("unix:0") << QStringLiteral("x11::0");
    QTest::newRow("localhost with a screen is the local display")
        << QString() << QStringLiteral("localhost:0.1") << QStringLiteral("x11::0");
    QTest::newRow("Another display number is another desktop")
        << QString() << QStringLiteral(":1.0") << QStringLiteral("x11::1");
    QTest::newRow("A remote host keeps its name")
        << QString() << QStringLiteral("pc7:10.0") << QStringLiteral("x11:pc7:10");
    QTest::newRow("Wayland wins over the X display beside it")
        << QStringLiteral("wayland-0") << QStringLiteral(":0")
        << QStringLiteral("wayland:/run/user/1000/wayland-0");
    QTest::newRow("A Wayland display named by its full path is the same one")
        << QStringLiteral("/run/user/1000//wayland-0") << QString()
        << QStringLiteral("wayland:/run/user/1000/wayland-0");
}

void TestShell::desktopIdentity()
{
    QFETCH(QString, wayland);
    QFETCH(QString, display);
    QFETCH(QString, identity);
    QCOMPARE(DesktopIdentity(wayland, display, QStringLiteral("/run/user/1000")), identity);
}

QTEST_APPLESS_MAIN(TestShell)
#include "tst_shell.moc"
