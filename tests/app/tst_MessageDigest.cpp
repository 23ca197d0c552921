#include "MessageDigest.h"
#include "TestSupport.h"

#include <QTest>

using namespace Qt::StringLiterals;

// One running notification per sender, changed at most once per interval.
class TestMessageDigest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void floodGivesOneUpdatePerInterval();
    void countStartsAgainOnceSeen();
    void manySendersShareTheLimit();
    void sendersBeyondTheCapAreNotCounted();
};

namespace
{
constexpr qint64 Interval = 1000;
}

// 200 messages in 12 s from one sender: the first at once, then one update per interval with
// the count so far and the newest text, and the last message shown once the interval has run.
void TestMessageDigest::floodGivesOneUpdatePerInterval()
{
    MessageDigest digest(Interval);
    QList<MessageDigest::Update> shown;
    qint64 now = 0;
    auto collect = [&](qint64 until) {
        // What the window's timer does: wake when the next update is due.
        for (qint64 in = digest.NextDueIn(now); in >= 0 && now + in <= until;
             in = digest.NextDueIn(now)) {
            now += in;
            shown.append(digest.Due(now));
        }
        now = until;
    };
    for (int i = 1; i <= 200; ++i) {
        collect(i * 60);
        if (const auto update = digest.Add(u"Оля"_s, u"сообщение %1"_s.arg(i), now))
            shown.append(*update);
    }
    collect(now + 10 * Interval);
    QCOMPARE(digest.NextDueIn(now), -1);
    QVERIFY2(shown.size() >= 12 && shown.size() <= 14, qPrintable(QString::number(shown.size())));
    QCOMPARE(shown.first().Count, 1);
    QCOMPARE(shown.first().Text, u"сообщение 1"_s);
    QCOMPARE(shown.last().Count, 200);
    QCOMPARE(shown.last().Text, u"сообщение 200"_s);
    for (qsizetype i = 1; i < shown.size(); ++i) {
        QVERIFY(shown[i].Count > shown[i - 1].Count);
        QCOMPARE(shown[i].Text, u"сообщение %1"_s.arg(shown[i].Count));
    }
}

void TestMessageDigest::countStartsAgainOnceSeen()
{
    MessageDigest digest(Interval);
    QCOMPARE(digest.Add(u"Оля"_s, u"раз"_s, 0)->Count, 1);
    QVERIFY(!digest.Add(u"Оля"_s, u"два"_s, 10));
    QCOMPARE(digest.Add(u"Иван"_s, u"привет"_s, 20)->Count, 1);
    digest.Seen(u"Оля"_s);
    // What waited for Olga is dropped with her count; Ivan's stands.
    QCOMPARE(digest.NextDueIn(30), -1);
    const auto again = digest.Add(u"Оля"_s, u"три"_s, 40);
    QVERIFY(again);
    QCOMPARE(again->Count, 1);
    QCOMPARE(digest.Add(u"Иван"_s, u"пока"_s, 2000)->Count, 2);
    QCOMPARE(digest.SeenAll().size(), 2);
    QCOMPARE(digest.Add(u"Иван"_s, u"снова"_s, 2001)->Count, 1);
}

// Forged senders, each new: MaxPerInterval updates at once, the rest one interval later.
void TestMessageDigest::manySendersShareTheLimit()
{
    MessageDigest digest(Interval);
    int atOnce = 0;
    for (int i = 0; i < 10; ++i)
        atOnce += digest.Add(u"nick%1"_s.arg(i), u"x"_s, i) ? 1 : 0;
    QCOMPARE(atOnce, MessageDigest::MaxPerInterval);
    QCOMPARE(digest.NextDueIn(10), Interval - 10);
    QCOMPARE(digest.Due(10).size(), 0);
    QCOMPARE(digest.Due(Interval).size(), 1); // the first of the four has left the interval
    QCOMPARE(digest.Due(Interval + 3).size(), 3);
    QCOMPARE(digest.Due(3 * Interval).size(), 2);
    QCOMPARE(digest.NextDueIn(3 * Interval), -1);
}

void TestMessageDigest::sendersBeyondTheCapAreNotCounted()
{
    MessageDigest digest(Interval);
    for (int i = 0; i < MessageDigest::MaxSenders; ++i)
        digest.Add(u"nick%1"_s.arg(i), u"x"_s, 0);
    QVERIFY(!digest.Add(u"one more"_s, u"x"_s, 10 * Interval));
    QCOMPARE(digest.Add(u"nick0"_s, u"x"_s, 10 * Interval)->Count, 2);
    digest.Seen(u"nick1"_s);
    QCOMPARE(digest.Add(u"one more"_s, u"x"_s, 10 * Interval + 1)->Count, 1);
}

PALAVRIX_TEST_APPLESS_MAIN(TestMessageDigest)
#include "tst_MessageDigest.moc"
