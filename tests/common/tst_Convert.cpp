#include "AppError.h"
#include "Convert.h"
#include "TestSupport.h"

#include <QTest>

// Decimal integers as the program reads them.
class TestConvert final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void integers_data();
    void integers();
};

void TestConvert::integers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << QStringLiteral("17") << true << 17;
    QTest::newRow("negative") << QStringLiteral("-1") << true << -1;
    QTest::newRow("explicit plus") << QStringLiteral("+5") << true << 5;
    QTest::newRow("leading zeros") << QStringLiteral("007") << true << 7;
    QTest::newRow("lowest 32-bit value") << QStringLiteral("-2147483648") << true << INT_MIN;
    QTest::newRow("beyond 32 bits") << QStringLiteral("2147483648") << false << 0;
    QTest::newRow("empty") << QString() << false << 0;
    QTest::newRow("letters") << QStringLiteral("abc") << false << 0;
    QTest::newRow("sign alone") << QStringLiteral("-") << false << 0;
    QTest::newRow("blank inside") << QStringLiteral("1 2") << false << 0;
}

void TestConvert::integers()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    if (valid) {
        QCOMPARE(strToInt(text), value);
        return;
    }
    try {
        strToInt(text);
        QFAIL("no error for an invalid integer");
    } catch (const EConvertError &error) {
        QCOMPARE(error.message(), QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
}

PALAVRIX_TEST_APPLESS_MAIN(TestConvert)
#include "tst_Convert.moc"
