#include "AppError.h"
#include "ConfigFile.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <cerrno>

// Chat.cfg in memory and on disk: reading, values, atomic writing.
class TestConfigFile final : public QObject
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
    void saveOnFullDiskKeepsOldFile_data();
    void saveOnFullDiskKeepsOldFile();
};

void TestConfigFile::loadLines_data()
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

void TestConfigFile::loadLines()
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

void TestConfigFile::valueOfLine_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("value");
    QTest::newRow("the proper key") << QStringLiteral("FontColor=3") << QStringLiteral("3");
    QTest::newRow("another key") << QStringLiteral("x=3") << QStringLiteral("3");
    QTest::newRow("no key at all") << QStringLiteral("3") << QStringLiteral("3");
    QTest::newRow("a value holding =") << QStringLiteral("SavedNick=a=b") << QStringLiteral("a=b");
    QTest::newRow("an empty value") << QStringLiteral("ShowIP=") << QString();
}

void TestConfigFile::valueOfLine()
{
    QFETCH(QString, entry);
    QFETCH(QString, value);
    ConfigLines config;
    config[5] = entry;
    QCOMPARE(config.ValueOf(5), value);
    QCOMPARE(config[5], value);
}

void TestConfigFile::missingFile()
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

void TestConfigFile::saveWritesCodePageAndCrLf()
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

void TestConfigFile::failedSaveKeepsOldFile()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("locked"));
    // A folder in place of the file cannot be replaced by the save.
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/Chat.cfg")));
    ConfigLines config;
    QVERIFY_THROWS_EXCEPTION(EConfigSaveError, config.Save(folder + QStringLiteral("/Chat.cfg")));
    QVERIFY(QFileInfo(folder + QStringLiteral("/Chat.cfg")).isDir());
}

namespace
{

// Writes filler until the disk refuses more.
void Fill(const testsupport::SmallDisk &disk)
{
    QFile filler(disk.filePath(QStringLiteral("filler")));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(1024, 'x');
    while (filler.write(block) == block.size()) {
    }
}

} // namespace

void TestConfigFile::saveOnFullDiskKeepsOldFile_data()
{
    QTest::addColumn<bool>("tmpfs");
    QTest::newRow("A small tmpfs that is full (needs root)") << true;
    QTest::newRow("Files that may not grow, for any user (RLIMIT_FSIZE)") << false;
}

// A write the disk refuses leaves the old file whole and no temporary file behind.
void TestConfigFile::saveOnFullDiskKeepsOldFile()
{
    QFETCH(bool, tmpfs);
    testsupport::SmallDisk disk;
    if (tmpfs && !disk.mounted())
        QSKIP("mounting a small tmpfs needs root");
    QTemporaryDir plain;
    const QString folder = tmpfs ? disk.path() : plain.path();
    const QString path = QDir(folder).filePath(QStringLiteral("Chat.cfg"));
    const QByteArray old = QByteArray("FontColor=3\r\n").repeated(ConfigLines::LineCount);
    testsupport::writeFile(path, old);
    if (tmpfs)
        Fill(disk);

    ConfigLines config;
    for (int line = 1; line <= ConfigLines::LineCount; ++line)
        config[line] = ConfigLines::Key(line) + QStringLiteral("=1");
    try {
        std::optional<testsupport::FileSizeLimit> limit;
        if (!tmpfs)
            limit.emplace(16);
        config.Save(path);
        QFAIL("a save on a full disk reported success");
    } catch (const EConfigSaveError &error) {
        QCOMPARE(error.fileName(), QStringLiteral("Chat.cfg"));
        QCOMPARE(error.error(), tmpfs ? ENOSPC : EFBIG);
    }
    QCOMPARE(testsupport::readFile(path), old);
    QStringList left{QStringLiteral("Chat.cfg")};
    if (tmpfs)
        left << QStringLiteral("filler");
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), left);
}

PALAVRIX_TEST_APPLESS_MAIN(TestConfigFile)
#include "tst_ConfigFile.moc"
