#include "FileRecord.h"
#include "SafeFileName.h"
#include "TestSupport.h"
#include "TransferFigures.h"
#include "TransferOutcome.h"

#include <QCoreApplication>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace transfer;

// The names received files are saved under, the figures of a transfer and the line the
// history keeps of a file.
class TestTransferNames final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void safeName_data();
    void safeName();
    void uniqueName_data();
    void uniqueName();
    void copiesStayWithinTheLimit_data();
    void copiesStayWithinTheLimit();
    void sizeFigure_data();
    void sizeFigure();
    void progress_data();
    void progress();
    void storedFileLine_data();
    void storedFileLine();
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
    QTest::newRow("One dot alone becomes the fallback") << u"."_s << u"file"_s;
    QTest::newRow("Three dots become the fallback") << u"..."_s << u"file"_s;
    QTest::newRow("Dots before a name do not hide it") << u"...x"_s << u"x"_s;
    QTest::newRow("Two dots before a name do not hide it") << u"..bashrc"_s << u"bashrc"_s;
    QTest::newRow("A name hidden only once blanks go is not hidden")
        << u" .bashrc"_s << u"bashrc"_s;
    QTest::newRow("A name hidden only once a format character goes is not hidden")
        << u"\u202E.bashrc"_s << u"bashrc"_s;
    QTest::newRow("A hidden last part of a path stays hidden")
        << u"home/.profile"_s << u".profile"_s;
    QTest::newRow("A name ending in a slash becomes the fallback") << u"secret/"_s << u"file"_s;
    QTest::newRow("Control characters go") << u"a\nb\tc\x1b[31m.txt"_s << u"abc[31m.txt"_s;
    QTest::newRow("A line separator goes") << u"a\u2028b.txt"_s << u"ab.txt"_s;
    QTest::newRow("A right-to-left override cannot make a script pose as a PDF")
        << u"report.pdf\u202Egpj.sh"_s << u"report.pdfgpj.sh"_s;
    QTest::newRow("Direction marks, embeddings, isolates and zero-width characters go")
        << u"a\u200Eb\u200Fc\u202Ad\u2066e\u2069f\u200Bg\u200Dh\u2060i\u00ADj\uFEFF.txt"_s
        << u"abcdefghij.txt"_s;
    QTest::newRow("A surrogate without its pair goes")
        << u"a"_s + QChar(0xD800) + u"b"_s + QChar(0xDC00) + u".txt"_s << u"ab.txt"_s;
    QTest::newRow("Characters Windows refuses go") << u"a<b>c:d\"e|f?g*.txt"_s << u"abcdefg.txt"_s;
    QTest::newRow("Leading blanks and trailing dots go") << u"  notes.txt. . "_s << u"notes.txt"_s;
    QTest::newRow("A hidden file stays hidden") << u".bashrc"_s << u".bashrc"_s;
    QTest::newRow("A device name is made harmless") << u"con.txt"_s << u"_con.txt"_s;
    QTest::newRow("COM1 is a device too") << u"COM1"_s << u"_COM1"_s;
    QTest::newRow("COM10 is not") << u"COM10"_s << u"COM10"_s;
    QTest::newRow("A long name is cut to 245 bytes and keeps its extension")
        << QString(300, u'a') + u".pdf"_s << QString(241, u'a') + u".pdf"_s;
    QTest::newRow("A 250-byte name is cut to 245 bytes")
        << QString(246, u'b') + u".txt"_s << QString(241, u'b') + u".txt"_s;
    QTest::newRow("126 Cyrillic letters are cut in bytes, between letters")
        << QString(126, u'я') + u".txt"_s << QString(120, u'я') + u".txt"_s;
    QTest::newRow("126 Cyrillic letters without extension")
        << QString(126, u'ж') << QString(122, u'ж');
    QTest::newRow("An emoji at the cut goes whole")
        << QString(243, u'a') + u"\U0001F600"_s << QString(243, u'a');
    QTest::newRow("An emoji with its skin tone goes whole")
        << QString(238, u'a') + u"\U0001F44D\U0001F3FDbbbbbbbbbb"_s << QString(238, u'a');
    QTest::newRow("An emoji after a Tibetan mark is not split at the cut")
        << u"\u0F0F"_s + u"\U0001F600"_s.repeated(61) << u"\u0F0F"_s + u"\U0001F600"_s.repeated(60);
    QTest::newRow("A letter at the cut goes with its accent")
        << QString(243, u'a') + u"e\u0301xyz"_s << QString(243, u'a');
    QTest::newRow("An absurdly long extension is cut like the rest")
        << QString(250, u'a') + u"."_s + QString(100, u'b') << QString(245, u'a');
    QTest::newRow("Nothing left gives the fallback") << u"\x01\x02"_s << u"file"_s;
}

void TestTransferNames::safeName()
{
    QFETCH(QString, offered);
    QFETCH(QString, saved);
    const QString name = SafeFileName(offered);
    QCOMPARE(name, saved);
    QVERIFY2(NameBytes(name) + NameBytes(u" (99)") + NameBytes(PartSuffix) <= NameMaxBytes,
             qPrintable(QString::number(NameBytes(name))));
    QVERIFY(!name.contains(u'/') && name != u"."_s && name != u".."_s);
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
    QTest::newRow("A second copy of a name at the limit fits with its number")
        << QString(241, u'a') + u".txt"_s << QStringList{QString(241, u'a') + u".txt"_s}
        << QString(241, u'a') + u" (1).txt"_s;
}

void TestTransferNames::uniqueName()
{
    QFETCH(QString, name);
    QFETCH(QStringList, taken);
    QFETCH(QString, unique);
    const QSet<QString> set(taken.cbegin(), taken.cend());
    QCOMPARE(UniqueFileName(name, [&set](const QString &n) { return set.contains(n); }), unique);
}

void TestTransferNames::copiesStayWithinTheLimit_data()
{
    QTest::addColumn<QString>("offered");
    QTest::addColumn<QString>("extension");
    QTest::newRow("A 250-byte name") << QString(246, u'b') + u".txt"_s << u".txt"_s;
    QTest::newRow("Cyrillic letters") << u"a"_s + QString(200, u'я') + u".pdf"_s << u".pdf"_s;
    QTest::newRow("Emoji") << QString(205, u'x') + u"\U0001F44D\U0001F3FD"_s.repeated(20)
                           << QString();
    QTest::newRow("A long hidden name") << u"."_s + QString(300, u'h') << QString();
}

// The hundredth copy of a name at the limit still fits with its partial's suffix: the stem
// gives way to the number, never the extension, and never half a character.
void TestTransferNames::copiesStayWithinTheLimit()
{
    QFETCH(QString, offered);
    QFETCH(QString, extension);
    const QString name = SafeFileName(offered);
    QSet<QString> taken;
    for (int copy = 0; copy <= 120; ++copy) {
        const QString unique =
            UniqueFileName(name, [&taken](const QString &n) { return taken.contains(n); });
        QVERIFY2(!taken.contains(unique), qPrintable(unique));
        QVERIFY2(NameBytes(unique) + NameBytes(PartSuffix) <= NameMaxBytes,
                 qPrintable(u"%1 bytes for copy %2"_s.arg(NameBytes(unique)).arg(copy)));
        QVERIFY(unique.endsWith(copy == 0 ? extension : u" (%1)%2"_s.arg(copy).arg(extension)));
        QVERIFY(!unique.isEmpty() && !unique.back().isHighSurrogate());
        QCOMPARE(unique.front(), name.front());
        taken.insert(unique);
    }
}

void TestTransferNames::sizeFigure_data()
{
    QTest::addColumn<QLocale::Language>("language");
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("number");
    QTest::addColumn<SizeUnit>("unit");
    const auto row = [](const char *name, qint64 bytes, const QString &russian,
                        const QString &english, SizeUnit unit) {
        QTest::addRow("%s, ru", name) << QLocale::Russian << bytes << russian << unit;
        QTest::addRow("%s, en", name) << QLocale::English << bytes << english << unit;
    };
    row("Bytes", 512, u"512"_s, u"512"_s, SizeUnit::Bytes);
    row("Zero", 0, u"0"_s, u"0"_s, SizeUnit::Bytes);
    row("A thousand bytes without a group separator", 1000, u"1000"_s, u"1000"_s, SizeUnit::Bytes);
    row("One kibibyte", 1024, u"1,0"_s, u"1.0"_s, SizeUnit::KB);
    row("1.2 MiB with the language's decimal sign", 1258291, u"1,2"_s, u"1.2"_s, SizeUnit::MB);
    row("Just below a mebibyte rounds up to the next unit", 1048575, u"1,0"_s, u"1.0"_s,
        SizeUnit::MB);
    row("Ten gibibytes", 10737418240LL, u"10,0"_s, u"10.0"_s, SizeUnit::GB);
    row("Thousands of tebibytes without a group separator", 1024LL * 1099511627776LL, u"1024,0"_s,
        u"1024.0"_s, SizeUnit::TB);
}

void TestTransferNames::sizeFigure()
{
    QFETCH(QLocale::Language, language);
    QFETCH(qint64, bytes);
    QFETCH(QString, number);
    QFETCH(SizeUnit, unit);
    const SizeFigure figure = FileSizeFigure(bytes, QLocale(language));
    QCOMPARE(figure.number, number);
    QCOMPARE(figure.unit, unit);
}

void TestTransferNames::progress_data()
{
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<double>("rate");
    QTest::addColumn<qint64>("secondsLeft");
    QTest::newRow("Nothing yet: no rate, time unknown")
        << qint64(0) << qint64(1000) << qint64(0) << 0.0 << qint64(-1);
    QTest::newRow("Half of 2 MiB in one second leaves one second")
        << qint64(1048576) << qint64(2097152) << qint64(1000) << 1048576.0 << qint64(1);
    QTest::newRow("Slow: an hour and more")
        << qint64(1024) << qint64(1024 * 4000) << qint64(1000) << 1024.0 << qint64(3999);
    QTest::newRow("Done: nothing left")
        << qint64(500) << qint64(500) << qint64(2000) << 250.0 << qint64(0);
}

void TestTransferNames::progress()
{
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(qint64, elapsedMs);
    QFETCH(double, rate);
    QFETCH(qint64, secondsLeft);
    const TransferProgress p = MakeProgress(done, total, elapsedMs);
    QCOMPARE(p.bytesPerSecond, rate);
    QCOMPARE(p.secondsLeft, secondsLeft);
}

void TestTransferNames::storedFileLine_data()
{
    QTest::addColumn<bool>("english");
    QTest::newRow("Russian windows") << false;
    QTest::newRow("English windows") << true;
}

// The history keeps the same line in every copy, whatever language its windows speak.
void TestTransferNames::storedFileLine()
{
    QFETCH(bool, english);
    const auto translator = testsupport::speakEnglish(english, QStringLiteral(PALAVRIX_STAGE_DIR));
    QLocale::setDefault(QLocale(english ? QLocale::English : QLocale::Russian));
    QCOMPARE(FileHistoryLine(Direction::Outgoing, u"report.pdf"_s, 1258291),
             u"Файл report.pdf (1,2 МБ) отправлен"_s);
    QCOMPARE(FileHistoryLine(Direction::Incoming, u"a.txt"_s, 10),
             u"Файл a.txt (10 байт) получен"_s);
    QCOMPARE(FileHistoryLine(Direction::Incoming, u"big.bin"_s, 209715200),
             u"Файл big.bin (200,0 МБ) получен"_s);
    QCOMPARE(FileHistoryLine(Direction::Outgoing, u"b.bin"_s, 2048),
             u"Файл b.bin (2,0 КБ) отправлен"_s);
    QCOMPARE(FileHistoryLine(Direction::Outgoing, u"c.iso"_s, 3650722201LL),
             u"Файл c.iso (3,4 ГБ) отправлен"_s);
}

PALAVRIX_TEST_GUILESS_MAIN(TestTransferNames)
#include "tst_TransferNames.moc"
