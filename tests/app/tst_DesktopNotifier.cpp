#include "DesktopNotifier.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace
{

// A notification service as a desktop runs one, on its own connection to the test's bus:
// it records every Notify call and sends the signals a click or a close would.
class FakeNotifications final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString app, summary, body;
        QStringList actions;
        QVariantMap hints;
        uint id = 0;
        uint replacesId = 0;
    };
    QStringList capabilities;
    QList<Call> calls;

public Q_SLOTS:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString &app, uint replacesId, const QString &icon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints,
                int timeout)
    {
        Q_UNUSED(icon);
        Q_UNUSED(timeout);
        // A replaced notification keeps its id, as the desktop notification service does.
        const uint id = replacesId != 0 ? replacesId : uint(calls.size() + 41);
        calls.append({app, summary, body, actions, hints, id, replacesId});
        return id;
    }

Q_SIGNALS:
    void ActionInvoked(uint id, const QString &action);
    void NotificationClosed(uint id, uint reason);
};

} // namespace

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
    void firstLine_data();
    void firstLine();

private:
    bool startService();
    void stopService();

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    int m_connections = 0;
    std::unique_ptr<QDBusConnection> m_serviceBus;
    std::unique_ptr<FakeNotifications> m_service;
};

void TestDesktopNotifier::initTestCase()
{
    if (QStandardPaths::findExecutable(u"dbus-daemon"_s).isEmpty())
        QSKIP("dbus-daemon is not installed");
    m_daemon.start(u"dbus-daemon"_s,
                   {u"--session"_s, u"--nofork"_s, u"--nopidfile"_s, u"--print-address=1"_s,
                    u"--address=unix:path="_s + m_dir.filePath(u"bus"_s)});
    QVERIFY(m_daemon.waitForStarted());
    QVERIFY(m_daemon.waitForReadyRead(10000));
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    QVERIFY(!m_address.isEmpty());
}

void TestDesktopNotifier::cleanupTestCase()
{
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
}

void TestDesktopNotifier::init()
{
    QVERIFY(startService());
}

void TestDesktopNotifier::cleanup()
{
    stopService();
}

bool TestDesktopNotifier::startService()
{
    const QString name = u"service%1"_s.arg(++m_connections);
    m_serviceBus =
        std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_address, name));
    m_service = std::make_unique<FakeNotifications>();
    return m_serviceBus->isConnected() &&
           m_serviceBus->registerObject(u"/org/freedesktop/Notifications"_s, m_service.get(),
                                        QDBusConnection::ExportAllSlots |
                                            QDBusConnection::ExportAllSignals) &&
           m_serviceBus->registerService(u"org.freedesktop.Notifications"_s);
}

void TestDesktopNotifier::stopService()
{
    if (!m_serviceBus)
        return;
    const QString name = m_serviceBus->name();
    m_serviceBus.reset();
    QDBusConnection::disconnectFromBus(name);
    m_service.reset();
}

namespace
{
// A client connection of its own for each notifier.
QDBusConnection clientBus(const QString &address, int &count)
{
    return QDBusConnection::connectToBus(address, u"client%1"_s.arg(++count));
}
} // namespace

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
        m_service->capabilities = QStringList{u"actions"_s, u"body"_s, u"body-markup"_s};
    DesktopNotifier notifier(clientBus(m_address, m_connections), nullptr);
    notifier.setOpenText(u"Open"_s);
    notifier.Show(u"Оля"_s, body, u"private"_s);
    QTRY_COMPARE(m_service->calls.size(), 1);
    const FakeNotifications::Call &call = m_service->calls[0];
    QCOMPARE(call.app, u"Palavrix"_s);
    QCOMPARE(call.summary, u"Оля"_s);
    QTEST(call.body, "sent");
    QCOMPARE(call.actions, (QStringList{u"default"_s, u"Open"_s}));
    QCOMPARE(call.hints.value(u"desktop-entry"_s).toString(), u"io.sourceforge.palavrix"_s);
}

void TestDesktopNotifier::onlyAClickOnAShownNotificationComesBack()
{
    DesktopNotifier notifier(clientBus(m_address, m_connections), nullptr);
    QSignalSpy activated(&notifier, &DesktopNotifier::activated);
    notifier.Show(u"Оля"_s, u"один"_s, u"private"_s);
    notifier.Show(u"Иван в общем чате"_s, u"два"_s, u"public"_s);
    QTRY_COMPARE(m_service->calls.size(), 2);
    const uint first = m_service->calls[0].id, second = m_service->calls[1].id;
    // The service's replies and its later signals reach the notifier in the order sent.
    Q_EMIT m_service->ActionInvoked(second, u"default"_s);
    QTRY_COMPARE(activated.size(), 1);
    QCOMPARE(activated.takeFirst().at(0).toString(), u"public"_s);

    // Another action, a closed notification, an id this notifier never showed: nothing. The
    // last click shows that the signals before it were delivered and ignored.
    Q_EMIT m_service->ActionInvoked(first, u"reply"_s);
    Q_EMIT m_service->NotificationClosed(second, 2);
    Q_EMIT m_service->ActionInvoked(second, u"default"_s);
    Q_EMIT m_service->ActionInvoked(first + 100, u"default"_s);
    Q_EMIT m_service->ActionInvoked(first, u"default"_s);
    QTRY_COMPARE(activated.size(), 1);
    QCOMPARE(activated.at(0).at(0).toString(), u"private"_s);
}

void TestDesktopNotifier::noServiceThenOne()
{
    stopService();
    QDBusConnection bus = clientBus(m_address, m_connections);
    DesktopNotifier notifier(bus, nullptr);
    notifier.Show(u"Оля"_s, u"никто не слышит"_s, u"private"_s);
    // The bus answers the call with an error before it answers a later question; once that
    // answer is handled, a service starts and the next notification reaches it.
    QVERIFY(!bus.interface()->isServiceRegistered(u"org.freedesktop.Notifications"_s).value());
    QCoreApplication::processEvents();
    QVERIFY(startService());
    notifier.Show(u"Оля"_s, u"теперь слышно"_s, u"private"_s);
    QTRY_COMPARE(m_service->calls.size(), 1);
    QCOMPARE(m_service->calls[0].body, u"теперь слышно"_s);
}

// A program about to end sends its notification without waiting for the capabilities, and
// with no action to click, as nobody would be there to answer it.
void TestDesktopNotifier::lastWordsGoOutAtOnce()
{
    DesktopNotifier notifier(clientBus(m_address, m_connections), nullptr);
    notifier.setOpenText(u"Open"_s);
    // The service answers on this thread, so the call gives up after its short wait; the
    // message has gone out all the same.
    notifier.ShowBeforeExit(u"Palavrix"_s, u"Не удалось сохранить настройки"_s, 50);
    QTRY_COMPARE(m_service->calls.size(), 1);
    const FakeNotifications::Call &call = m_service->calls[0];
    QCOMPARE(call.summary, u"Palavrix"_s);
    QCOMPARE(call.body, u"Не удалось сохранить настройки"_s);
    QCOMPARE(call.actions, QStringList());
}

// Offers of files replace the last one on screen; other notifications stack as before, and one
// the user closed is not replaced but followed by a new one.
void TestDesktopNotifier::replacingNotificationsDoNotStack()
{
    DesktopNotifier notifier(clientBus(m_address, m_connections), nullptr);
    QSignalSpy activated(&notifier, &DesktopNotifier::activated);
    notifier.Show(u"Оля (10.0.0.2) предлагает файлы"_s, u"a.txt (3 байт)"_s, u"files"_s, true);
    notifier.Show(u"Иван"_s, u"привет"_s, u"private"_s);
    QTRY_COMPARE(m_service->calls.size(), 2);
    const uint first = m_service->calls[0].id;
    // A click on the first shows its id has come back with the reply.
    Q_EMIT m_service->ActionInvoked(first, u"default"_s);
    QTRY_COMPARE(activated.size(), 1);
    QCOMPARE(activated.at(0).at(0).toString(), u"files"_s);
    notifier.Show(u"Иван (10.0.0.3) предлагает файлы"_s, u"b.txt (3 байт)"_s, u"files"_s, true);
    QTRY_COMPARE(m_service->calls.size(), 3);
    QCOMPARE(m_service->calls[0].replacesId, 0u);
    QCOMPARE(m_service->calls[1].replacesId, 0u);
    QCOMPARE(m_service->calls[2].replacesId, first);

    // The click that follows the close shows the close was delivered.
    Q_EMIT m_service->NotificationClosed(first, 2);
    Q_EMIT m_service->ActionInvoked(m_service->calls[1].id, u"default"_s);
    QTRY_COMPARE(activated.size(), 2);
    notifier.Show(u"Оля (10.0.0.2) предлагает файлы"_s, u"c.txt (3 байт)"_s, u"files"_s, true);
    QTRY_COMPARE(m_service->calls.size(), 4);
    QCOMPARE(m_service->calls[3].replacesId, 0u);
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
