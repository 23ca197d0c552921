#include "AppError.h"
#include "ConfigFile.h"
#include "OptionsFile.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The options file: defaults, values out of range, a round trip through the disk, and the
// lines of other copies kept.
class TestOptionsFile final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void valuesReadOrDefault_data();
    void valuesReadOrDefault();
    void missingFileMeansDefaults();
    void roundTripKeepsOtherLines();
    void failedSaveKeepsOldFile();
};

namespace
{
constexpr opt::Text Folder{"Folder", "Загрузки"};
} // namespace

void TestOptionsFile::valuesReadOrDefault_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("notifications");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("folder");
    QTest::newRow("Empty file: every default") << QByteArray() << true << 558 << u"Загрузки"_s;
    QTest::newRow("Values as written")
        << QByteArray("Notifications=0\nFilePort=6000\nFolder=/home/я\n") << false << 6000
        << u"/home/я"_s;
    QTest::newRow("CR LF lines and blanks around the number")
        << QByteArray("Notifications=0\r\nFilePort= 1234 \r\n") << false << 1234 << u"Загрузки"_s;
    QTest::newRow("Out of range and not numbers: defaults")
        << QByteArray("Notifications=yes\nFilePort=70000\n") << true << 558 << u"Загрузки"_s;
    QTest::newRow("Zero port: no file transfer")
        << QByteArray("FilePort=0\n") << true << 0 << u"Загрузки"_s;
    QTest::newRow("Keys are exact: other case is another key")
        << QByteArray("notifications=0\nFILEPORT=9\n") << true << 558 << u"Загрузки"_s;
    QTest::newRow("The first of two lines counts")
        << QByteArray("FilePort=600\nFilePort=700\n") << true << 600 << u"Загрузки"_s;
    QTest::newRow("Empty text is a value") << QByteArray("Folder=\n") << true << 558 << QString();
}

void TestOptionsFile::valuesReadOrDefault()
{
    QFETCH(QByteArray, content);
    OptionsFile options;
    options.Parse(content);
    QTEST(options.Get(opt::Notifications), "notifications");
    QTEST(options.Get(opt::FilePort), "port");
    QTEST(options.Get(Folder), "folder");
}

void TestOptionsFile::missingFileMeansDefaults()
{
    QTemporaryDir dir;
    OptionsFile options;
    options.Parse("Notifications=0\n");
    options.Load(dir.filePath(u"Options.cfg"_s));
    QVERIFY(options.Get(opt::Notifications));
    QVERIFY(options.Content().isEmpty());
    QVERIFY(!QFileInfo::exists(dir.filePath(u"Options.cfg"_s)));
}

void TestOptionsFile::roundTripKeepsOtherLines()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Options.cfg"_s);
    // A newer copy's option and a line that is no option at all.
    testsupport::writeFile(path, "# hand-written\nTheme=dark\nNotifications=1\n");
    OptionsFile options;
    options.Load(path);
    options.Set(opt::Notifications, false);
    options.Set(opt::FilePort, 7000);
    options.Set(Folder, u"две\nстроки"_s);
    options.Save(path);
    QCOMPARE(testsupport::readFile(path),
             "# hand-written\nTheme=dark\nNotifications=0\nFilePort=7000\nFolder=две строки\n"_ba);

    OptionsFile again;
    again.Load(path);
    QVERIFY(!again.Get(opt::Notifications));
    QCOMPARE(again.Get(opt::FilePort), 7000);
    QCOMPARE(again.Get(Folder), u"две строки"_s);
}

void TestOptionsFile::failedSaveKeepsOldFile()
{
    QTemporaryDir dir;
    // A folder in place of the file cannot be replaced by the save.
    const QString path = dir.filePath(u"Options.cfg"_s);
    QVERIFY(QDir().mkpath(path));
    OptionsFile options;
    options.Set(opt::Notifications, false);
    try {
        options.Save(path);
        QFAIL("a save over a folder reported success");
    } catch (const EConfigSaveError &error) {
        QCOMPARE(error.fileName(), u"Options.cfg"_s);
    }
    QVERIFY(QFileInfo(path).isDir());
}

PALAVRIX_TEST_APPLESS_MAIN(TestOptionsFile)
#include "tst_OptionsFile.moc"
