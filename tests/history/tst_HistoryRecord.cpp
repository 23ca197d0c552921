#include "DateTimeText.h"
#include "HistoryRecord.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QTest>

// The plain rules of the message history: file names, the preview, field names, the count
// text, and the date and time texts a record carries.
class TestHistoryRecord final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void historyFileName_data();
    void historyFileName();
    void historyFileNameKeepsPrintableNicksApart();
    void makeCutText_data();
    void makeCutText();
    void fields_data();
    void fields();
    void makeHistoryRecord_data();
    void makeHistoryRecord();

    void withoutTimeZone_data();
    void withoutTimeZone();
    void twentyFourHourClock_data();
    void twentyFourHourClock();
    void twoDigitYear_data();
    void twoDigitYear();
    void localTimeText_data();
    void localTimeText();
    void localDateText_data();
    void localDateText();
    void everyLocaleFitsTheFields();
    void historyDateText_data();
    void historyDateText();
    void everyLocaleReadsItsDatesBack();
};

void TestHistoryRecord::historyFileName_data()
{
    QTest::addColumn<QString>("nick");
    QTest::addColumn<QString>("fileName");

    QTest::newRow("Latin nick with a capital") << u"Bob"_qs << u"6611198.dat"_qs;
    QTest::newRow("the same nick in lower case") << u"bob"_qs << u"9811198.dat"_qs;
    QTest::newRow("Cyrillic nick uses code page 1251 bytes")
        << u"Вася"_qs << u"194224241255.dat"_qs;
    QTest::newRow("yo is byte 184, capital Yo 168") << u"ёЁ"_qs << u"184168.dat"_qs;
    QTest::newRow("digits and blanks are bytes too") << u"a 1"_qs << u"973249.dat"_qs;
    QTest::newRow("empty nick of a cancelled prompt") << QString() << u".dat"_qs;
    QTest::newRow("a character outside the code page becomes ?") << u"\u263A"_qs << u"63.dat"_qs;
}

void TestHistoryRecord::historyFileName()
{
    QFETCH(QString, nick);
    QFETCH(QString, fileName);
    QCOMPARE(HistoryFileName(nick), fileName);
}

void TestHistoryRecord::historyFileNameKeepsPrintableNicksApart()
{
    // Bytes 32..99 give two digits and 100..255 three: every printable one-byte and two-byte
    // nick gets a name of its own.
    QList<QChar> printable;
    for (char16_t c = 32; c < 127; ++c)
        printable << QChar(c);
    printable << u'А' << u'я' << u'ё' << u'Ё' << u'№';
    QSet<QString> names;
    int nicks = 0;
    for (const QChar a : printable) {
        names.insert(HistoryFileName(QString(a)));
        ++nicks;
        for (const QChar b : printable) {
            names.insert(HistoryFileName(QString(a) + b));
            ++nicks;
        }
    }
    QCOMPARE(names.size(), nicks);
}

void TestHistoryRecord::makeCutText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cut");

    const QString a200(200, u'x');
    const QString b50(50, u'y');
    QTest::newRow("short text is kept") << u"hello"_qs << u"hello"_qs;
    QTest::newRow("empty text") << QString() << QString();
    QTest::newRow("CR LF line break becomes two blanks") << u"a\r\nb"_qs << u"a  b"_qs;
    QTest::newRow("lone CR becomes one blank") << u"a\rb"_qs << u"a b"_qs;
    QTest::newRow("lone LF becomes one blank") << u"a\nb"_qs << u"a b"_qs;
    QTest::newRow("blanks at the ends are not trimmed") << u"  a  "_qs << u"  a  "_qs;
    QTest::newRow("line breaks at the ends become blanks") << u"\r\na\r\n"_qs << u"  a  "_qs;
    QTest::newRow("exactly 200 characters are kept") << a200 << a200;
    QTest::newRow("201 characters are cut to 200") << a200 + u'z' << a200;
    QTest::newRow("250 characters keep their first 200") << a200 + b50 << a200;
    QTest::newRow("a line break counts after becoming blanks")
        << QString(199, u'x') + u"\r\nz"_qs << QString(199, u'x') + u' ';
    QTest::newRow("Cyrillic text is cut by characters") << QString(250, u'Ж') << QString(200, u'Ж');
}

void TestHistoryRecord::makeCutText()
{
    QFETCH(QString, text);
    QFETCH(QString, cut);
    QCOMPARE(MakeCutText(text), cut);
}

void TestHistoryRecord::fields_data()
{
    QTest::addColumn<HistoryField>("field");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("width");

    QTest::newRow("date") << HistoryField::mDate << 0 << u"mDate"_qs << 10;
    QTest::newRow("time") << HistoryField::mTime << 1 << u"mTime"_qs << 8;
    QTest::newRow("sender") << HistoryField::mSender << 2 << u"mSender"_qs << 50;
    QTest::newRow("receiver") << HistoryField::mReceiver << 3 << u"mReceiver"_qs << 50;
    QTest::newRow("preview") << HistoryField::mCutText << 4 << u"mCutText"_qs << 200;
    QTest::newRow("full text") << HistoryField::mFullText << 5 << u"mFullText"_qs << 0;
    QTest::newRow("direction") << HistoryField::mIncoming << 6 << u"mIncoming"_qs << 0;
}

void TestHistoryRecord::fields()
{
    QFETCH(HistoryField, field);
    QFETCH(int, position);
    QFETCH(QString, name);
    QFETCH(int, width);
    QCOMPARE(int(field), position);
    QCOMPARE(HistoryFieldName(field), name);
    QCOMPARE(HistoryFieldWidth(field), width);
}

void TestHistoryRecord::makeHistoryRecord_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("incoming");
    QTest::addColumn<QString>("cut");

    QTest::newRow("sent two-line message") << u"a\r\nb"_qs << false << u"a  b"_qs;
    QTest::newRow("received long message") << QString(250, u'q') << true << QString(200, u'q');
}

void TestHistoryRecord::makeHistoryRecord()
{
    QFETCH(QString, text);
    QFETCH(bool, incoming);
    QFETCH(QString, cut);
    const QDateTime moment(QDate(2024, 3, 7), QTime(14, 5, 9));
    const HistoryRecord r = MakeHistoryRecord(u"Bob"_qs, u"Вася"_qs, text, incoming, moment);
    QCOMPARE(r.mDate, LocalDateText(moment));
    QCOMPARE(r.mTime, LocalTimeText(moment));
    QCOMPARE(r.mSender, u"Bob"_qs);
    QCOMPARE(r.mReceiver, u"Вася"_qs);
    QCOMPARE(r.mFullText, text);
    QCOMPARE(r.mCutText, cut);
    QCOMPARE(r.mIncoming, incoming ? 1 : 0);
}

void TestHistoryRecord::withoutTimeZone_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zone after the time") << u"HH:mm:ss t"_qs << u"HH:mm:ss"_qs;
    QTest::newRow("zone before the time") << u"t HH:mm:ss"_qs << u"HH:mm:ss"_qs;
    QTest::newRow("zone in brackets") << u"H:mm:ss (t)"_qs << u"H:mm:ss"_qs;
    QTest::newRow("day period stays") << u"h:mm:ss AP t"_qs << u"h:mm:ss AP"_qs;
    QTest::newRow("quoted letters stay") << u"HH:mm:ss 'at' t"_qs << u"HH:mm:ss 'at'"_qs;
    QTest::newRow("quoted t stays") << u"HH'h't"_qs << u"HH'h'"_qs;
    QTest::newRow("no zone at all") << u"HH:mm:ss"_qs << u"HH:mm:ss"_qs;
}

void TestHistoryRecord::withoutTimeZone()
{
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(WithoutTimeZone(format), expected);
}

void TestHistoryRecord::twentyFourHourClock_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("AP after the time") << u"h:mm:ss AP"_qs << u"H:mm:ss"_qs;
    QTest::newRow("ap with two-digit hours") << u"hh:mm:ss ap"_qs << u"HH:mm:ss"_qs;
    QTest::newRow("day period first") << u"AP h:mm:ss"_qs << u"H:mm:ss"_qs;
    QTest::newRow("one-letter marker") << u"h:mm:ss a"_qs << u"H:mm:ss"_qs;
    QTest::newRow("quoted a stays") << u"'a' h:mm"_qs << u"'a' H:mm"_qs;
    QTest::newRow("already 24-hour") << u"HH:mm:ss"_qs << u"HH:mm:ss"_qs;
}

void TestHistoryRecord::twentyFourHourClock()
{
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(TwentyFourHourClock(format), expected);
}

void TestHistoryRecord::twoDigitYear_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("four-digit year") << u"dd.MM.yyyy"_qs << u"dd.MM.yy"_qs;
    QTest::newRow("two-digit year stays") << u"M/d/yy"_qs << u"M/d/yy"_qs;
    QTest::newRow("quoted yyyy stays") << u"'yyyy' yyyy"_qs << u"'yyyy' yy"_qs;
}

void TestHistoryRecord::twoDigitYear()
{
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(TwoDigitYear(format), expected);
}

void TestHistoryRecord::localTimeText_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("text");

    const QTime afternoon(14, 5, 9);
    QTest::newRow("Russian") << u"ru_RU"_qs << afternoon << u"14:05:09"_qs;
    QTest::newRow("neutral C locale") << u"C"_qs << afternoon << u"14:05:09"_qs;
    QTest::newRow("German") << u"de_DE"_qs << afternoon << u"14:05:09"_qs;
    QTest::newRow("zone written first") << u"zh_CN"_qs << afternoon << u"14:05:09"_qs;
    QTest::newRow("12-hour clock too wide: 24-hour") << u"en_US"_qs << afternoon << u"14:05:09"_qs;
    QTest::newRow("morning on the 24-hour clock") << u"en_US"_qs << QTime(9, 5, 9) << u"9:05:09"_qs;
    QTest::newRow("hour words too wide: digits") << u"ko_KR"_qs << afternoon << u"14:05:09"_qs;
    QTest::newRow("quoted suffix too wide: digits") << u"bg_BG"_qs << afternoon << u"14:05:09"_qs;
    QTest::newRow("the region's separators stay") << u"fi_FI"_qs << afternoon << u"14.05.09"_qs;
    QTest::newRow("the region's digits when they fit")
        << u"fa_IR"_qs << afternoon << u"۱۴:۰۵:۰۹"_qs;
    QTest::newRow("digits of two code units each: plain digits")
        << u"ccp_BD"_qs << afternoon << u"14:05:09"_qs;
}

void TestHistoryRecord::localTimeText()
{
    QFETCH(QString, locale);
    QFETCH(QTime, time);
    QFETCH(QString, text);
    QCOMPARE(LocalTimeText(QDateTime(QDate(2024, 12, 25), time), QLocale(locale)), text);
}

void TestHistoryRecord::localDateText_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");

    QTest::newRow("Russian") << u"ru_RU"_qs << u"25.12.2024"_qs;
    QTest::newRow("US") << u"en_US"_qs << u"12/25/24"_qs;
    QTest::newRow("month name too wide: two-digit year") << u"C"_qs << u"25 Dec 24"_qs;
    QTest::newRow("still too wide: ISO") << u"hu_HU"_qs << u"2024-12-25"_qs;
    QTest::newRow("digits of two code units each: plain digits")
        << u"ccp_BD"_qs << u"2024-12-25"_qs;
}

void TestHistoryRecord::localDateText()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QCOMPARE(LocalDateText(QDateTime(QDate(2024, 12, 25), QTime(14, 5, 9)), QLocale(locale)), text);
}

void TestHistoryRecord::everyLocaleFitsTheFields()
{
    const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    QVERIFY(locales.size() > 100);
    const QDateTime moments[] = {QDateTime(QDate(2024, 12, 25), QTime(23, 59, 59)),
                                 QDateTime(QDate(2009, 9, 9), QTime(0, 0, 0)),
                                 QDateTime(QDate(2030, 5, 31), QTime(12, 30, 45))};
    for (const QLocale &locale : locales) {
        for (const QDateTime &moment : moments) {
            const QString date = LocalDateText(moment, locale);
            const QString time = LocalTimeText(moment, locale);
            QVERIFY2(!date.isEmpty() && date.size() <= 10, qPrintable(locale.name() + date));
            QVERIFY2(!time.isEmpty() && time.size() <= 8, qPrintable(locale.name() + time));
            // The seconds are there, in the region's digits or in plain ones; the zone is not.
            QVERIFY2(time.contains(locale.toString(moment.time(), u"s"_qs)) ||
                         time.endsWith(QLocale::c().toString(moment.time(), u"ss"_qs)),
                     qPrintable(locale.name() + time));
            const QString zone = moment.timeZoneAbbreviation();
            QVERIFY2(zone.isEmpty() || !time.contains(zone), qPrintable(locale.name() + time));
        }
    }
}

// The history window shows stored dates with four-digit years in the form of its language.
void TestHistoryRecord::historyDateText_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("region");
    QTest::addColumn<QString>("shown");

    QTest::newRow("a US date in English windows is read month first")
        << u"12/11/26"_qs << u"en"_qs << u"en_US"_qs << u"2026-12-11"_qs;
    QTest::newRow("a US date in Russian windows")
        << u"12/11/26"_qs << u"ru"_qs << u"en_US"_qs << u"11.12.2026"_qs;
    QTest::newRow("a British date is read day first")
        << u"11/12/2026"_qs << u"en"_qs << u"en_GB"_qs << u"2026-12-11"_qs;
    QTest::newRow("a German two-digit year")
        << u"11.12.26"_qs << u"en"_qs << u"de_DE"_qs << u"2026-12-11"_qs;
    QTest::newRow("a Russian date in English windows")
        << u"11.12.2026"_qs << u"en"_qs << u"ru_RU"_qs << u"2026-12-11"_qs;
    QTest::newRow("a Russian date in Russian windows is the stored one")
        << u"11.12.2026"_qs << u"ru"_qs << u"ru_RU"_qs << u"11.12.2026"_qs;
    QTest::newRow("a two-digit year of the last century")
        << u"12/28/99"_qs << u"en"_qs << u"en_US"_qs << u"1999-12-28"_qs;
    QTest::newRow("the common form a copy elsewhere wrote")
        << u"28.12.2000"_qs << u"en"_qs << u"en_US"_qs << u"2000-12-28"_qs;
    QTest::newRow("the ISO form a copy elsewhere wrote")
        << u"2000-12-28"_qs << u"ru"_qs << u"en_US"_qs << u"28.12.2000"_qs;
    QTest::newRow("a text that reads as no date is shown as it is")
        << u"вчера"_qs << u"en"_qs << u"en_US"_qs << u"вчера"_qs;
    QTest::newRow("an impossible date is shown as it is")
        << u"13/45/26"_qs << u"en"_qs << u"en_US"_qs << u"13/45/26"_qs;
}

void TestHistoryRecord::historyDateText()
{
    QFETCH(QString, stored);
    QFETCH(QString, display);
    QFETCH(QString, region);
    QFETCH(QString, shown);
    QCOMPARE(HistoryDateText(stored, QLocale(display), QLocale(region)), shown);
}

// Whatever region wrote a date, the window shows the day it was written.
void TestHistoryRecord::everyLocaleReadsItsDatesBack()
{
    const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    const QDate days[] = {QDate(2024, 12, 25), QDate(2009, 9, 9), QDate(1999, 1, 31)};
    for (const QLocale &locale : locales) {
        for (const QDate &day : days) {
            const QString stored = LocalDateText(QDateTime(day, QTime(12, 0)), locale);
            QCOMPARE(HistoryDateText(stored, QLocale(QLocale::English), locale),
                     day.toString(Qt::ISODate));
        }
    }
}

PALAVRIX_TEST_GUILESS_MAIN(TestHistoryRecord)
#include "tst_HistoryRecord.moc"
