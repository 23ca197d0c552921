#include "AlertGate.h"
#include "TestSupport.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Which offers of files alert the user, by sender address and time.
class TestAlertGate final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void burstsAlertOnce_data();
    void burstsAlertOnce();
    void forgedAddressesFallSilentTogether();
};

void TestAlertGate::burstsAlertOnce_data()
{
    QTest::addColumn<int>("senders"); // the events go round these addresses
    QTest::addColumn<int>("events");
    QTest::addColumn<int>("gapMs"); // between two events
    QTest::addColumn<int>("alerts");
    QTest::newRow("One sender's 1,000 offers in a second alert once") << 1 << 1000 << 1 << 1;
    QTest::newRow("One sender offering every 5 s for a minute alerts once") << 1 << 12 << 5000 << 1;
    QTest::newRow("One sender offering every 25 s alerts each time") << 1 << 3 << 25000 << 3;
    QTest::newRow("Two senders at once alert once each") << 2 << 100 << 10 << 2;
    QTest::newRow("1,000 forged addresses alert a few times between them")
        << 1000 << 1000 << 1 << AlertGate::MaxLoudSources;
    QTest::newRow("5,000 forged addresses, more than are remembered, too")
        << 5000 << 5000 << 1 << AlertGate::MaxLoudSources;
}

void TestAlertGate::burstsAlertOnce()
{
    QFETCH(int, senders);
    QFETCH(int, events);
    QFETCH(int, gapMs);
    AlertGate gate;
    int alerts = 0;
    for (int i = 0; i < events; ++i)
        alerts += gate.pass(u"10.0.%1.%2"_s.arg(i % senders / 256).arg(i % senders % 256),
                            1000 + qint64(i) * gapMs)
                      ? 1
                      : 0;
    QTEST(alerts, "alerts");
}

// Once a storm of forged addresses ends, a real sender is heard again after the quiet period.
void TestAlertGate::forgedAddressesFallSilentTogether()
{
    AlertGate gate(1000);
    for (int i = 0; i < 3000; ++i)
        gate.pass(u"10.1.%1.%2"_s.arg(i / 256).arg(i % 256), i);
    QVERIFY(!gate.pass(u"10.0.0.2"_s, 3000));
    QVERIFY(gate.pass(u"10.0.0.3"_s, 4100));
    QVERIFY(!gate.pass(u"10.0.0.3"_s, 4200));
}

PALAVRIX_TEST_APPLESS_MAIN(TestAlertGate)
#include "tst_AlertGate.moc"
