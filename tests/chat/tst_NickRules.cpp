#include "NickRefusal.h"
#include "NickRules.h"
#include "TestSupport.h"

#include <QTest>

// The user's own nick: what peers and the history store can carry.
class TestNickRules final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void checkNick_data();
    void checkNick();
    void refusalText_data();
    void refusalText();
};

Q_DECLARE_METATYPE(NickFault)

void TestNickRules::checkNick_data()
{
    QTest::addColumn<QString>("nick");
    QTest::addColumn<NickFault>("fault");
    const auto ok = NickFault::None;
    const auto breaks = NickFault::BreaksMessages;
    const auto codePage = NickFault::NotInCodePage;
    const auto tooLong = NickFault::TooLong;
    QTest::newRow("a Latin nick") << QStringLiteral("Ivan") << ok;
    QTest::newRow("a Cyrillic nick") << QStringLiteral("Борис") << ok;
    QTest::newRow("blanks, dashes and signs") << QStringLiteral("Иван -the- 2nd (дом)") << ok;
    QTest::newRow("a dash without blanks") << QStringLiteral("Ivan-home") << ok;
    QTest::newRow("a colon without a blank") << QStringLiteral("a:b") << ok;
    QTest::newRow("question marks") << QStringLiteral("??") << ok;
    QTest::newRow("a non-breaking space") << QStringLiteral("Ivan\u00A0K") << ok;
    QTest::newRow("no nick at all") << QString() << ok;
    QTest::newRow("blank dash blank splits the recipient item")
        << QStringLiteral("Ivan - home") << breaks;
    QTest::newRow("colon blank splits a private message")
        << QStringLiteral("Ivan: admin") << breaks;
    QTest::newRow("the public arrow") << QStringLiteral("Ivan -->x") << breaks;
    QTest::newRow("the private arrow") << QStringLiteral("a --> b") << breaks;
    QTest::newRow("a line feed") << QStringLiteral("Iv\nan") << breaks;
    QTest::newRow("a carriage return") << QStringLiteral("Iv\ran") << breaks;
    QTest::newRow("a colon at the end meets the arrow's blank")
        << QStringLiteral("Ivan:") << breaks;
    QTest::newRow("a blank dash at the end meets the item's separator")
        << QStringLiteral("Ivan -") << breaks;
    QTest::newRow("Japanese") << QStringLiteral("日本") << codePage;
    QTest::newRow("Chinese") << QStringLiteral("中国") << codePage;
    QTest::newRow("one letter outside the code page") << QStringLiteral("Ivan ą") << codePage;
    QTest::newRow("a character outside the basic plane")
        << QStringLiteral("Ivan \U0001F600") << codePage;
    // Letters of three-digit codes give a file name of 3 digits each plus ".dat".
    QTest::newRow("83 Cyrillic letters fit 255 bytes") << QString(83, u'Б') << ok;
    QTest::newRow("84 Cyrillic letters pass 255 bytes") << QString(84, u'Б') << tooLong;
    QTest::newRow("125 two-digit letters fit") << QString(125, u'A') << ok;
    QTest::newRow("126 two-digit letters do not") << QString(126, u'A') << tooLong;
    QTest::newRow("200 characters") << QString(200, u'z') << tooLong;
}

void TestNickRules::checkNick()
{
    QFETCH(QString, nick);
    QFETCH(NickFault, fault);
    QCOMPARE(CheckNick(nick), fault);
    QCOMPARE(NickRefusalText(nick).isEmpty(), fault == NickFault::None);
}

void TestNickRules::refusalText_data()
{
    QTest::addColumn<QString>("nick");
    QTest::addColumn<QString>("text");
    QTest::newRow("separators") << QStringLiteral("a - b")
                                << QStringLiteral(
                                       "Такой ник другие участники чата прочтут неверно. Ник не "
                                       "может содержать сочетания \" - \", \": \", \" -->\" и "
                                       "переводы строки, а также кончаться на \":\" или \" -\".");
    QTest::newRow("the characters are named once each")
        << QStringLiteral("日本日x")
        << QStringLiteral("В нике есть знаки, которые чат не может передать: 日本. Используйте "
                          "русские и латинские буквы, цифры и обычные знаки.");
    QTest::newRow("the longest nick of these letters")
        << QString(90, u'Ж')
        << QStringLiteral("Ник слишком длинный: в таком нике может быть не больше 83 знаков.");
}

void TestNickRules::refusalText()
{
    QFETCH(QString, nick);
    QFETCH(QString, text);
    QCOMPARE(NickRefusalText(nick), text);
}

PALAVRIX_TEST_APPLESS_MAIN(TestNickRules)
#include "tst_NickRules.moc"
