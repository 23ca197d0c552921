#include "DesktopNotifier.h"
#include "FakeNotifications.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// Notifications through a fake service on a private session bus: what a Notify call
// carries, and which clicks come back.
class TestDesktopNotifier final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void notifyCarriesSenderAndText_data();
    void notifyCarriesSenderAndText();
    void onlyAClickOnAShownNotificationComesBack();
    void noServiceThenOne();
    void lastWordsGoOutAtOnce();
    void replacingNotificationsDoNotStack();
    void updatesBeforeTheIdIsKnownReplaceTheFirst();
    void closeTakesTheNotificationOff();
    void restartedServiceIsAskedAgain();
    void firstLine_data();
    void firstLine();

private:
    FakeNotifications *service() const { return m_bus.service(); }

    NotificationBus m_bus;
};

void TestDesktopNotifier::initTestCase()
{
    QString why;
    if (!m_bus.start(why))
        QSKIP(qPrintable(why));
}

void TestDesktopNotifier::cleanupTestCase() {}

void TestDesktopNotifier::init()
{
    QVERIFY(m_bus.startService());
}

void TestDesktopNotifier::cleanup()
{
    m_bus.stopService();
}

void TestDesktopNotifier::notifyCarriesSenderAndText_data()
{
    QTest::addColumn<bool>("markup");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("sent");
    QTest::newRow("Plain text to a service that reads no markup")
        << false << u"<b>Привет</b> & пока"_s << u"<b>Привет</b> & пока"_s;
    QTest::newRow("Markup characters escaped for a service that reads markup")
        << true << u"<b>Привет</b> & пока"_s << u"&lt;b&gt;Привет&lt;/b&gt; &amp; пока"_s;
}

void TestDesktopNotifier::notifyCarriesSenderAndText()
{
    QFETCH(bool, markup);
    QFETCH(QString, body);
    if (markup)
        service()->capabilities = QStringList{u"actions"_s, u"body"_s, u"body-markup"_s};
    DesktopNotifier notifier(m_bus.client(), nullptr);
    notifier.setOpenText(u"Open"_s);
    notifier.Show(u"Оля"_s, body, u"private"_s);
    QTRY_COMPARE(service()->calls.size(), 1);
    const FakeNotifications::Call &call = service()->calls[0];
    QCOMPARE(call.app, u"Palavrix"_s);
    QCOMPARE(call.summary, u"Оля"_s);
    QTEST(call.body, "sent");
    QCOMPARE(call.actions, (QStringList{u"default"_s, u"Open"_s}));
    QCOMPARE(call.hints.value(u"desktop-entry"_s).toString(), u"io.sourceforge.palavrix"_s);
}

void TestDesktopNotifier::onlyAClickOnAShownNotificationComesBack()
{
    DesktopNotifier notifier(m_bus.client(), nullptr);
    QSignalSpy activated(&notifier, &DesktopNotifier::activated);
    notifier.Show(u"Оля"_s, u"один"_s, u"private"_s);
    notifier.Show(u"Иван в общем чате"_s, u"два"_s, u"public"_s);
    QTRY_COMPARE(service()->calls.size(), 2);
    const uint first = service()->calls[0].id, second = service()->calls[1].id;
    // The service's replies and its later signals reach the notifier in the order sent.
    Q_EMIT service()->ActionInvoked(second, u"default"_s);
    QTRY_COMPARE(activated.size(), 1);
    QCOMPARE(activated.takeFirst().at(0).toString(), u"public"_s);

    // Another action, a closed notification, an id this notifier never showed: nothing. The
    // last click shows that the signals before it were delivered and ignored.
    Q_EMIT service()->ActionInvoked(first, u"reply"_s);
    Q_EMIT service()->NotificationClosed(second, 2);
    Q_EMIT service()->ActionInvoked(second, u"default"_s);
    Q_EMIT service()->ActionInvoked(first + 100, u"default"_s);
    Q_EMIT service()->ActionInvoked(first, u"default"_s);
    QTRY_COMPARE(activated.size(), 1);
    QCOMPARE(activated.at(0).at(0).toString(), u"private"_s);
}

void TestDesktopNotifier::noServiceThenOne()
{
    m_bus.stopService();
    QDBusConnection bus = m_bus.client();
    DesktopNotifier notifier(bus, nullptr);
    notifier.Show(u"Оля"_s, u"никто не слышит"_s, u"private"_s);
    // The bus answers the call with an error before it answers a later question; once that
    // answer is handled, a service starts and the next notification reaches it.
    QVERIFY(!bus.interface()->isServiceRegistered(u"org.freedesktop.Notifications"_s).value());
    QCoreApplication::processEvents();
    QVERIFY(m_bus.startService());
    notifier.Show(u"Оля"_s, u"теперь слышно"_s, u"private"_s);
    QTRY_COMPARE(service()->calls.size(), 1);
    QCOMPARE(service()->calls[0].body, u"теперь слышно"_s);
}

// A program about to end sends its notification without waiting for the capabilities, and
// with no action to click, as nobody would be there to answer it.
void TestDesktopNotifier::lastWordsGoOutAtOnce()
{
    DesktopNotifier notifier(m_bus.client(), nullptr);
    notifier.setOpenText(u"Open"_s);
    // The service answers on this thread, so the call gives up after its short wait; the
    // message has gone out all the same.
    notifier.ShowBeforeExit(u"Palavrix"_s, u"Не удалось сохранить настройки"_s, 50);
    QTRY_COMPARE(service()->calls.size(), 1);
    const FakeNotifications::Call &call = service()->calls[0];
    QCOMPARE(call.summary, u"Palavrix"_s);
    QCOMPARE(call.body, u"Не удалось сохранить настройки"_s);
    QCOMPARE(call.actions, QStringList());
}

// Offers of files replace the last one on screen; other notifications stack as before, and one
// the user closed is not replaced but followed by a new one.
void TestDesktopNotifier::replacingNotificationsDoNotStack()
{
    DesktopNotifier notifier(m_bus.client(), nullptr);
    QSignalSpy activated(&notifier, &DesktopNotifier::activated);
    notifier.Show(u"Оля (10.0.0.2) предлагает файлы"_s, u"a.txt (3 байт)"_s, u"files"_s, true);
    notifier.Show(u"Иван"_s, u"привет"_s, u"private"_s);
    QTRY_COMPARE(service()->calls.size(), 2);
    const uint first = service()->calls[0].id;
    // A click on the first shows its id has come back with the reply.
    Q_EMIT service()->ActionInvoked(first, u"default"_s);
    QTRY_COMPARE(activated.size(), 1);
    QCOMPARE(activated.at(0).at(0).toString(), u"files"_s);
    notifier.Show(u"Иван (10.0.0.3) предлагает файлы"_s, u"b.txt (3 байт)"_s, u"files"_s, true);
    QTRY_COMPARE(service()->calls.size(), 3);
    QCOMPARE(service()->calls[0].replacesId, 0u);
    QCOMPARE(service()->calls[1].replacesId, 0u);
    QCOMPARE(service()->calls[2].replacesId, first);

    // The click that follows the close shows the close was delivered.
    Q_EMIT service()->NotificationClosed(first, 2);
    Q_EMIT service()->ActionInvoked(service()->calls[1].id, u"default"_s);
    QTRY_COMPARE(activated.size(), 2);
    notifier.Show(u"Оля (10.0.0.2) предлагает файлы"_s, u"c.txt (3 байт)"_s, u"files"_s, true);
    QTRY_COMPARE(service()->calls.size(), 4);
    QCOMPARE(service()->calls[3].replacesId, 0u);
}

// Messages come faster than the service answers: the ones sent before the first one's id is
// known wait, and only the newest of them replaces it.
void TestDesktopNotifier::updatesBeforeTheIdIsKnownReplaceTheFirst()
{
    DesktopNotifier notifier(m_bus.client(), nullptr);
    for (const QString &body : {u"один"_s, u"два"_s, u"три"_s})
        notifier.Show(u"Оля"_s, body, u"private/Оля"_s, true);
    QTRY_COMPARE(service()->calls.size(), 2);
    const FakeNotifications::Call &first = service()->calls[0];
    const FakeNotifications::Call &second = service()->calls[1];
    QCOMPARE(first.body, u"один"_s);
    QCOMPARE(first.replacesId, 0u);
    QCOMPARE(second.body, u"три"_s);
    QCOMPARE(second.replacesId, first.id);
    // Another tag is a notification of its own.
    notifier.Show(u"Иван"_s, u"привет"_s, u"private/Иван"_s, true);
    QTRY_COMPARE(service()->calls.size(), 3);
    QCOMPARE(service()->calls[2].replacesId, 0u);
}

void TestDesktopNotifier::closeTakesTheNotificationOff()
{
    DesktopNotifier notifier(m_bus.client(), nullptr);
    notifier.Show(u"Оля"_s, u"один"_s, u"private/Оля"_s, true);
    QTRY_COMPARE(service()->calls.size(), 1);
    // The id is known once the reply is handled; a second update shows it was.
    notifier.Show(u"Оля: 2 новых сообщения"_s, u"два"_s, u"private/Оля"_s, true);
    QTRY_COMPARE(service()->calls.size(), 2);
    QTRY_COMPARE(service()->calls[1].replacesId, service()->calls[0].id);
    notifier.Close(u"private/Оля"_s);
    QTRY_COMPARE(service()->closed, QList<uint>{service()->calls[0].id});
    // The next message is a new notification; closed before the service said its id, it is
    // closed once the id comes.
    notifier.Show(u"Оля"_s, u"три"_s, u"private/Оля"_s, true);
    notifier.Close(u"private/Оля"_s);
    QTRY_COMPARE(service()->calls.size(), 3);
    QCOMPARE(service()->calls[2].replacesId, 0u);
    QTRY_COMPARE(service()->closed, (QList<uint>{service()->calls[0].id, service()->calls[2].id}));
}

// A desktop's notification service restarts (a crash, a new session of the shell): the new
// one is asked what it can do at once, and the ids of the old one are not offered to it.
void TestDesktopNotifier::restartedServiceIsAskedAgain()
{
    service()->capabilities = QStringList{u"body"_s, u"body-markup"_s};
    DesktopNotifier notifier(m_bus.client(), nullptr);
    notifier.Show(u"Оля"_s, u"<b>"_s, u"private/Оля"_s, true);
    QTRY_COMPARE(service()->calls.size(), 1);
    QCOMPARE(service()->calls[0].body, u"&lt;b&gt;"_s);
    QCOMPARE(service()->capabilityQuestions, 1);

    m_bus.stopService();
    QVERIFY(m_bus.startService());
    service()->capabilities = QStringList{u"body"_s};
    QTRY_COMPARE(service()->capabilityQuestions, 1);
    notifier.Show(u"Оля"_s, u"<b>"_s, u"private/Оля"_s, true);
    QTRY_COMPARE(service()->calls.size(), 1);
    QCOMPARE(service()->calls[0].body, u"<b>"_s);
    QCOMPARE(service()->calls[0].replacesId, 0u);
    QCOMPARE(service()->capabilityQuestions, 1);
}

void TestDesktopNotifier::firstLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");
    QTest::newRow("Up to the line break") << u"Привет\r\nкак дела?"_s << u"Привет"_s;
    QTest::newRow("Leading breaks and blanks skipped") << u"\r\n  hi\nthere"_s << u"hi"_s;
    QTest::newRow("Long line cut with an ellipsis")
        << QString(300, u'ж') << QString(199, u'ж') + u'…';
    QTest::newRow("Exactly the limit stays whole") << QString(200, u'a') << QString(200, u'a');
}

void TestDesktopNotifier::firstLine()
{
    QFETCH(QString, text);
    QTEST(FirstLine(text), "line");
}

PALAVRIX_TEST_GUILESS_MAIN(TestDesktopNotifier)
#include "tst_DesktopNotifier.moc"
