#include "ChatText.h"
#include "TestSupport.h"

#include <QTest>

class TestChatText final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void publicLine_data();
    void publicLine();
    void privateHeader_data();
    void privateHeader();
    void outgoingText_data();
    void outgoingText();
    void namesNick_data();
    void namesNick();
};

namespace
{
const QString Time = QStringLiteral("14:05:09");
const QString Address = QStringLiteral("192.168.1.20");
} // namespace

void TestChatText::publicLine_data()
{
    QTest::addColumn<bool>("notice");
    QTest::addColumn<bool>("showTime");
    QTest::addColumn<bool>("showAddress");
    QTest::addColumn<QString>("payload");
    QTest::addColumn<QString>("line");
    const QString hello = QStringLiteral("Ivan -->Hello");
    QTest::newRow("message, both off") << false << false << false << hello << hello;
    QTest::newRow("message, time")
        << false << true << false << hello << QStringLiteral("[14:05:09] Ivan -->Hello");
    QTest::newRow("message, address")
        << false << false << true << hello << QStringLiteral("[192.168.1.20] Ivan -->Hello");
    QTest::newRow("message, both") << false << true << true << hello
                                   << QStringLiteral("[14:05:09] - [192.168.1.20] Ivan -->Hello");
    const QString entry = QStringLiteral(" в чат входит - \"Ivan\"...");
    const QString entryLine = QStringLiteral("[14:05:09]  в чат входит - \"Ivan\"...");
    QTest::newRow("notice, both off: still time-stamped")
        << true << false << false << entry << entryLine;
    QTest::newRow("notice, time") << true << true << false << entry << entryLine;
    QTest::newRow("notice, address: never addressed")
        << true << false << true << entry << entryLine;
    QTest::newRow("notice, both") << true << true << true << entry << entryLine;
}

void TestChatText::publicLine()
{
    QFETCH(bool, notice);
    QFETCH(bool, showTime);
    QFETCH(bool, showAddress);
    QFETCH(QString, payload);
    QFETCH(QString, line);
    QCOMPARE(PublicLine(payload, notice, {showTime, showAddress}, Time, Address), line);
}

void TestChatText::privateHeader_data()
{
    QTest::addColumn<bool>("notice");
    QTest::addColumn<bool>("showTime");
    QTest::addColumn<bool>("showAddress");
    QTest::addColumn<QString>("header");
    QTest::newRow("both off") << false << false << false << QStringLiteral("Ivan --> Olga:");
    QTest::newRow("time") << false << true << false << QStringLiteral("[14:05:09] Ivan --> Olga:");
    QTest::newRow("address") << false << false << true
                             << QStringLiteral("[192.168.1.20] Ivan --> Olga:");
    QTest::newRow("both") << false << true << true
                          << QStringLiteral("[14:05:09] - [192.168.1.20] Ivan --> Olga:");
    QTest::newRow("a notice payload takes the time form")
        << true << false << true << QStringLiteral("[14:05:09] Ivan --> Olga:");
}

void TestChatText::privateHeader()
{
    QFETCH(bool, notice);
    QFETCH(bool, showTime);
    QFETCH(bool, showAddress);
    QFETCH(QString, header);
    QCOMPARE(PrivateHeader(QStringLiteral("Ivan"), QStringLiteral("Olga"), notice,
                           {showTime, showAddress}, Time, Address),
             header);
}

void TestChatText::outgoingText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("sent");
    QTest::newRow("8000 characters go whole") << QString(8000, u'x') << QString(8000, u'x');
    QTest::newRow("8001 characters are cut to 8000") << QString(8001, u'x') << QString(8000, u'x');
    QTest::newRow("line breaks travel as CR LF")
        << QStringLiteral("a\nb") << QStringLiteral("a\r\nb");
    QTest::newRow("the cut counts CR LF as two")
        << QString(7999, u'x') + QStringLiteral("\ny") << QString(7999, u'x') + u'\r';
    QTest::newRow("characters outside the code page are converted once")
        << QStringLiteral("Привет 你好 €") << QStringLiteral("Привет ?? €");
    QTest::newRow("markup stays text")
        << QStringLiteral("<b>x</b> &amp;") << QStringLiteral("<b>x</b> &amp;");
}

void TestChatText::outgoingText()
{
    QFETCH(QString, typed);
    QFETCH(QString, sent);
    QCOMPARE(OutgoingText(typed), sent);
}

void TestChatText::namesNick_data()
{
    QTest::addColumn<QString>("payload");
    QTest::addColumn<QString>("nick");
    QTest::addColumn<bool>("names");
    QTest::newRow("Nick at the start") << QStringLiteral("Ivan -->Olga, привет") << "Olga" << true;
    QTest::newRow("Other letter case, Cyrillic")
        << QStringLiteral("Ivan -->где ВАСЯ?") << QStringLiteral("Вася") << true;
    QTest::newRow("Nick with a space and a dot")
        << QStringLiteral("Ivan -->ну, Dr. Who!") << "Dr. Who" << true;
    QTest::newRow("Inside a longer word")
        << QStringLiteral("Ivan -->Olgas and Bolga") << "Olga" << false;
    QTest::newRow("Only in the sender's nick")
        << QStringLiteral("Olga Petrova -->hello") << "Olga" << false;
    QTest::newRow("Arrow in the text: the sender ends at the first")
        << QStringLiteral("Ivan -->a --> Olga") << "Olga" << true;
    QTest::newRow("No sender: nothing is said") << QStringLiteral("Olga") << "Olga" << false;
    QTest::newRow("Empty nick names nobody") << QStringLiteral("Ivan -->hello") << "" << false;
}

void TestChatText::namesNick()
{
    QFETCH(QString, payload);
    QFETCH(QString, nick);
    QTEST(NamesNick(PublicText(payload), nick), "names");
}

PALAVRIX_TEST_APPLESS_MAIN(TestChatText)
#include "tst_ChatText.moc"
