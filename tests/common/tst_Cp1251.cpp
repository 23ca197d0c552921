#include "Cp1251.h"
#include "TestSupport.h"

#include <QTest>

namespace
{

// Code page 1251 as published, byte by byte; 0x98 has no character and passes as U+0098.
// clang-format off
const char16_t CodePage[256] = {
    0x0000, 0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007, 0x0008, 0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x000E, 0x000F,
    0x0010, 0x0011, 0x0012, 0x0013, 0x0014, 0x0015, 0x0016, 0x0017, 0x0018, 0x0019, 0x001A, 0x001B, 0x001C, 0x001D, 0x001E, 0x001F,
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027, 0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047, 0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057, 0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067, 0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077, 0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x007F,
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
// clang-format on

} // namespace

// The code page 1251 boundary: conversion both ways, byte order, case folding.
class TestCp1251 final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyByteOfTheCodePage();
    void encodeDecode_data();
    void encodeDecode();
    void compareBytes_data();
    void compareBytes();
    void upperCase_data();
    void upperCase();
    void upperCaseFoldsEveryLetterPairOfTheCodePage();
};

void TestCp1251::everyByteOfTheCodePage()
{
    for (int byte = 0; byte < 256; ++byte) {
        const QByteArray bytes(1, char(byte));
        const QString character(QChar(CodePage[byte]));
        QCOMPARE(cp1251::decode(bytes), character);
        QCOMPARE(cp1251::encode(character), bytes);
    }
}

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
    // Rows where UTF-16 order says the opposite.
    QTest::newRow("ё (B8) before а (E0)") << QStringLiteral("ёж") << QStringLiteral("ад") << -1;
    QTest::newRow("№ (B9) before я (FF)") << QStringLiteral("№") << QStringLiteral("я") << -1;
    QTest::newRow("€ (88) before а (E0)") << QStringLiteral("€") << QStringLiteral("а") << -1;
    QTest::newRow("€ (88) after Ђ (80)") << QStringLiteral("€") << QStringLiteral("Ђ") << 1;
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

PALAVRIX_TEST_APPLESS_MAIN(TestCp1251)
#include "tst_Cp1251.moc"
