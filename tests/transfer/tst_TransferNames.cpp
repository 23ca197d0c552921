#include "SafeFileName.h"
#include "TestSupport.h"
#include "TransferFigures.h"
#include "TransferOutcome.h"

#include <QCoreApplication>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace transfer;

// The names received files are saved under, and the figures and lines a transfer shows.
class TestTransferNames final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void safeName_data();
    void safeName();
    void uniqueName_data();
    void uniqueName();
    void sizeText_data();
    void sizeText();
    void progress_data();
    void progress();
    void fileLine();
};

void TestTransferNames::safeName_data()
{
    QTest::addColumn<QString>("offered");
    QTest::addColumn<QString>("saved");
    QTest::newRow("A plain name stays") << u"report.pdf"_s << u"report.pdf"_s;
    QTest::newRow("Cyrillic and blanks inside stay")
        << u"отчёт за май.pdf"_s << u"отчёт за май.pdf"_s;
    QTest::newRow("Climbing out of the folder keeps the last part")
        << u"../../etc/passwd"_s << u"passwd"_s;
    QTest::newRow("An absolute path keeps the last part") << u"/etc/shadow"_s << u"shadow"_s;
    QTest::newRow("A Windows path keeps the last part")
        << u"C:\\Windows\\system32\\cmd.exe"_s << u"cmd.exe"_s;
    QTest::newRow("Folders of the sender are dropped") << u"photos/2024/a.jpg"_s << u"a.jpg"_s;
    QTest::newRow("Two dots alone become the fallback") << u".."_s << u"file"_s;
    QTest::newRow("A name ending in a slash becomes the fallback") << u"secret/"_s << u"file"_s;
    QTest::newRow("Control characters go") << u"a\nb\tc\x1b[31m.txt"_s << u"abc[31m.txt"_s;
    QTest::newRow("A line separator goes") << u"a\u2028b.txt"_s << u"ab.txt"_s;
    QTest::newRow("Characters Windows refuses go") << u"a<b>c:d\"e|f?g*.txt"_s << u"abcdefg.txt"_s;
    QTest::newRow("Leading blanks and trailing dots go") << u"  notes.txt. . "_s << u"notes.txt"_s;
    QTest::newRow("A hidden file stays hidden") << u".bashrc"_s << u".bashrc"_s;
    QTest::newRow("A device name is made harmless") << u"con.txt"_s << u"_con.txt"_s;
    QTest::newRow("COM1 is a device too") << u"COM1"_s << u"_COM1"_s;
    QTest::newRow("COM10 is not") << u"COM10"_s << u"COM10"_s;
    QTest::newRow("A long name is cut and keeps its extension")
        << QString(300, u'a') + u".pdf"_s << QString(196, u'a') + u".pdf"_s;
    QTest::newRow("Nothing left gives the fallback") << u"\x01\x02"_s << u"file"_s;
}

void TestTransferNames::safeName()
{
    QFETCH(QString, offered);
    QFETCH(QString, saved);
    QCOMPARE(SafeFileName(offered), saved);
}

void TestTransferNames::uniqueName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("taken");
    QTest::addColumn<QString>("unique");
    QTest::newRow("A free name is kept") << u"report.pdf"_s << QStringList() << u"report.pdf"_s;
    QTest::newRow("A taken name gets (1) before the extension")
        << u"report.pdf"_s << QStringList{u"report.pdf"_s} << u"report (1).pdf"_s;
    QTest::newRow("The next free number is taken")
        << u"report.pdf"_s << QStringList{u"report.pdf"_s, u"report (1).pdf"_s}
        << u"report (2).pdf"_s;
    QTest::newRow("Only the last extension counts")
        << u"a.tar.gz"_s << QStringList{u"a.tar.gz"_s} << u"a.tar (1).gz"_s;
    QTest::newRow("A hidden file has no extension")
        << u".bashrc"_s << QStringList{u".bashrc"_s} << u".bashrc (1)"_s;
    QTest::newRow("A name without extension")
        << u"README"_s << QStringList{u"README"_s} << u"README (1)"_s;
}

void TestTransferNames::uniqueName()
{
    QFETCH(QString, name);
    QFETCH(QStringList, taken);
    QFETCH(QString, unique);
    const QSet<QString> set(taken.cbegin(), taken.cend());
    QCOMPARE(UniqueFileName(name, [&set](const QString &n) { return set.contains(n); }), unique);
}

void TestTransferNames::sizeText_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("Bytes") << qint64(512) << u"512 байт"_s;
    QTest::newRow("Zero") << qint64(0) << u"0 байт"_s;
    QTest::newRow("One kibibyte") << qint64(1024) << u"1,0 КБ"_s;
    QTest::newRow("1.2 MiB with a comma") << qint64(1258291) << u"1,2 МБ"_s;
    QTest::newRow("Just below a mebibyte rounds up to the next unit")
        << qint64(1048575) << u"1,0 МБ"_s;
    QTest::newRow("Ten gibibytes") << qint64(10737418240LL) << u"10,0 ГБ"_s;
}

void TestTransferNames::sizeText()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(FileSizeText(bytes), text);
}

void TestTransferNames::progress_data()
{
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<double>("rate");
    QTest::addColumn<qint64>("secondsLeft");
    QTest::addColumn<QString>("text");
    QTest::newRow("Nothing yet: no rate, time unknown")
        << qint64(0) << qint64(1000) << qint64(0) << 0.0 << qint64(-1) << u"0 байт из 1000 байт"_s;
    QTest::newRow("Half of 2 MiB in one second leaves one second")
        << qint64(1048576) << qint64(2097152) << qint64(1000) << 1048576.0 << qint64(1)
        << u"1,0 МБ из 2,0 МБ, 1,0 МБ/с, осталось 0:01"_s;
    QTest::newRow("Slow: an hour and more shows hours")
        << qint64(1024) << qint64(1024 * 4000) << qint64(1000) << 1024.0 << qint64(3999)
        << u"1,0 КБ из 3,9 МБ, 1,0 КБ/с, осталось 1:06:39"_s;
    QTest::newRow("Done: nothing left")
        << qint64(500) << qint64(500) << qint64(2000) << 250.0 << qint64(0)
        << u"500 байт из 500 байт, 250 байт/с, осталось 0:00"_s;
}

void TestTransferNames::progress()
{
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(qint64, elapsedMs);
    QFETCH(double, rate);
    QFETCH(qint64, secondsLeft);
    QFETCH(QString, text);
    const TransferProgress p = MakeProgress(done, total, elapsedMs);
    QCOMPARE(p.bytesPerSecond, rate);
    QCOMPARE(p.secondsLeft, secondsLeft);
    QCOMPARE(ProgressText(p), text);
}

void TestTransferNames::fileLine()
{
    QCOMPARE(FileLine(Direction::Outgoing, u"report.pdf"_s, 1258291),
             u"Файл report.pdf (1,2 МБ) отправлен"_s);
    QCOMPARE(FileLine(Direction::Incoming, u"report.pdf"_s, 1258291),
             u"Файл report.pdf (1,2 МБ) получен"_s);
}

PALAVRIX_TEST_GUILESS_MAIN(TestTransferNames)
#include "tst_TransferNames.moc"
