#include "Cp1251.h"

#include <QTest>

// The code page 1251 boundary: conversion both ways, byte order, case folding.
class TestCp1251 final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void encodeDecode_data();
    void encodeDecode();
    void compareBytes_data();
    void compareBytes();
    void upperCase_data();
    void upperCase();
    void upperCaseFoldsEveryLetterPairOfTheCodePage();
};

void TestCp1251::encodeDecode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("roundTrip");
    QTest::newRow("Latin text is one byte per character")
        << QStringLiteral("Ivan -->Hello") << QByteArray("Ivan -->Hello")
        << QStringLiteral("Ivan -->Hello");
    QTest::newRow("Cyrillic letters map to the code page's upper half")
        << QStringLiteral("Вася ёЁ") << QByteArray("\xC2\xE0\xF1\xFF\x20\xB8\xA8")
        << QStringLiteral("Вася ёЁ");
    QTest::newRow("the euro sign has a byte of its own")
        << QStringLiteral("€") << QByteArray("\x88") << QStringLiteral("€");
    QTest::newRow("a character the code page lacks becomes a question mark")
        << QStringLiteral("a你b") << QByteArray("a?b") << QStringLiteral("a?b");
    QTest::newRow("a character beyond the basic plane is one question mark")
        << QString::fromUtf8("x\xF0\x9F\x98\x80y") << QByteArray("x?y") << QStringLiteral("x?y");
}

void TestCp1251::encodeDecode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, roundTrip);
    QCOMPARE(cp1251::encode(text), bytes);
    QCOMPARE(cp1251::decode(bytes), roundTrip);
    QCOMPARE(cp1251::representable(text), roundTrip);
}

void TestCp1251::compareBytes_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("sign");
    QTest::newRow("capital Latin before small")
        << QStringLiteral("Anna") << QStringLiteral("bob") << -1;
    QTest::newRow("Latin before Cyrillic")
        << QStringLiteral("bob") << QStringLiteral("Борис") << -1;
    QTest::newRow("capital Cyrillic before small")
        << QStringLiteral("Я") << QStringLiteral("а") << -1;
    QTest::newRow("a prefix comes first") << QStringLiteral("Ann") << QStringLiteral("Anna") << -1;
    QTest::newRow("equal texts") << QStringLiteral("Олег") << QStringLiteral("Олег") << 0;
    QTest::newRow("bytes compare unsigned") << QStringLiteral("б") << QStringLiteral("z") << 1;
}

void TestCp1251::compareBytes()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, sign);
    const int result = cp1251::compare(a, b);
    QCOMPARE((result > 0) - (result < 0), sign);
    const int reverse = cp1251::compare(b, a);
    QCOMPARE((reverse > 0) - (reverse < 0), -sign);
}

void TestCp1251::upperCase_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("upper");
    QTest::newRow("Latin") << QStringLiteral("Hello, world") << QStringLiteral("HELLO, WORLD");
    QTest::newRow("Cyrillic with yo")
        << QStringLiteral("ёлка Привет") << QStringLiteral("ЁЛКА ПРИВЕТ");
    QTest::newRow("letters outside the code page stay")
        << QStringLiteral("ßäé") << QStringLiteral("ßäé");
    QTest::newRow("Ukrainian") << QStringLiteral("Київ, ґанок, єдність")
                               << QStringLiteral("КИЇВ, ҐАНОК, ЄДНІСТЬ");
    QTest::newRow("Belarusian") << QStringLiteral("ўсё") << QStringLiteral("ЎСЁ");
    QTest::newRow("Serbian and Macedonian")
        << QStringLiteral("ђ ј љ њ ћ џ ѓ ќ ѕ") << QStringLiteral("Ђ Ј Љ Њ Ћ Џ Ѓ Ќ Ѕ");
}

void TestCp1251::upperCaseFoldsEveryLetterPairOfTheCodePage()
{
    // Every character of the code page whose capital the code page also holds becomes that
    // capital; every other character stays.
    for (int byte = 0; byte < 256; ++byte) {
        const QString c = cp1251::decode(QByteArray(1, char(byte)));
        const QString capital = c.toUpper();
        const bool pair = capital != c && capital.size() == 1 &&
                          cp1251::decode(cp1251::encode(capital)) == capital;
        QCOMPARE(cp1251::toUpper(c), pair ? capital : c);
    }
}

void TestCp1251::upperCase()
{
    QFETCH(QString, text);
    QFETCH(QString, upper);
    QCOMPARE(cp1251::toUpper(text), upper);
}

QTEST_APPLESS_MAIN(TestCp1251)
#include "tst_Cp1251.moc"
