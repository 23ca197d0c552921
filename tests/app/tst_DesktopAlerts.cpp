#include "AppPaths.h"
#include "AppWindows.h"
#include "ChatServices.h"
#include "ChatSession.h"
#include "Cp1251.h"
#include "DesktopAlerts.h"
#include "Dialogs.h"
#include "FakeNotifications.h"
#include "MainWindow.h"
#include "PrivateWindow.h"
#include "TestSupport.h"
#include "UdpEndpoints.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTranslator>

#include <memory>

using namespace Qt::StringLiterals;

// The windows' desktop notifications, shown by a fake notification service on a private
// session bus: when a private message notifies, how a flood of them is gathered, and where the
// keyboard stays when one brings up the private window.
class TestDesktopAlerts final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void nothingWhileThePrivateWindowIsActive();
    void floodKeepsOneNotificationPerSender_data();
    void floodKeepsOneNotificationPerSender();
    void countStartsAgainOnceSeen();
    void incomingMessageLeavesTheKeyboardWhereItIs_data();
    void incomingMessageLeavesTheKeyboardWhereItIs();

private:
    FakeNotifications *service() const { return m_bus.service(); }
    void receive(const QString &sender, const QString &text);
    void activate(QWidget *window);
    QList<FakeNotifications::Call> callsOf(const QString &sender) const;

    QTemporaryDir m_home;
    NotificationBus m_bus;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldCwd;
    std::unique_ptr<AppWindows> m_windows;
    std::unique_ptr<QTranslator> m_language;
};

namespace
{
constexpr int IntervalMs = 100;
}

void TestDesktopAlerts::initTestCase()
{
    qputenv("HOME", QFile::encodeName(m_home.path()));
    qunsetenv("XDG_CONFIG_HOME");
    QString why;
    if (!m_bus.start(why))
        QSKIP(qPrintable(why));
    // The windows talk to the session bus of the desktop they run on: this one.
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
}

void TestDesktopAlerts::init()
{
    QVERIFY(m_bus.startService());
    m_dir = std::make_unique<QTemporaryDir>();
    m_oldCwd = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
    apppaths::SetProgramFolder(m_dir->path());
    QVERIFY(
        QFile::copy(QStringLiteral(PALAVRIX_STAGE_DIR "/tmp.dat"), m_dir->filePath(u"tmp.dat"_s)));
    Dialogs::clearHistory();
    Dialogs::setAutoAnswer(true);
    m_windows = std::make_unique<AppWindows>();
    m_windows->Services().Session().setOwnNick(u"Ivan"_s);
    m_windows->Alerts().setIntervalMs(IntervalMs);
    // The private window stays where it is unless a test says otherwise.
    m_windows->Services().Options().Set(&OptionValues::ShowPrivateWND, false);
}

void TestDesktopAlerts::cleanup()
{
    m_windows.reset();
    m_language.reset();
    apppaths::SetProgramFolder(QString());
    QDir::setCurrent(m_oldCwd);
    m_dir.reset();
    m_bus.stopService();
}

// A private datagram from another host, as the private port takes it.
void TestDesktopAlerts::receive(const QString &sender, const QString &text)
{
    TIdSocketHandle binding;
    binding.SenderIP = u"127.0.0.2"_s;
    Form4->IdUDPServer1UDPRead(
        nullptr, cp1251::encode(u"@#@6@#@"_s + sender + u" --> Ivan: "_s + text), &binding);
}

void TestDesktopAlerts::activate(QWidget *window)
{
    window->show();
    window->activateWindow();
    QTRY_VERIFY(window->isActiveWindow());
}

QList<FakeNotifications::Call> TestDesktopAlerts::callsOf(const QString &sender) const
{
    QList<FakeNotifications::Call> found;
    for (const FakeNotifications::Call &call : std::as_const(service()->calls)) {
        if (call.summary.startsWith(sender))
            found.append(call);
    }
    return found;
}

// The user reads the private window as the message comes in: no notification. The one that
// follows once the main window has the keyboard shows that the first was not merely late.
void TestDesktopAlerts::nothingWhileThePrivateWindowIsActive()
{
    Form4->OpenWindow();
    QTRY_VERIFY(Form4->isActiveWindow());
    receive(u"Olga"_s, u"в окне"_s);
    activate(Form1);
    receive(u"Olga"_s, u"за окном"_s);
    QTRY_COMPARE(service()->calls.size(), 1);
    QCOMPARE(service()->calls[0].summary, u"Olga"_s);
    QCOMPARE(service()->calls[0].body, u"за окном"_s);
}

void TestDesktopAlerts::floodKeepsOneNotificationPerSender_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("summary");
    QTest::newRow("Two in Russian") << u"ru"_s << 2 << u"Olga: 2 новых сообщения"_s;
    QTest::newRow("Five in Russian") << u"ru"_s << 5 << u"Olga: 5 новых сообщений"_s;
    QTest::newRow("Twenty-one in Russian") << u"ru"_s << 21 << u"Olga: 21 новое сообщение"_s;
    QTest::newRow("Forty in Russian") << u"ru"_s << 40 << u"Olga: 40 новых сообщений"_s;
    QTest::newRow("Forty in English") << u"en"_s << 40 << u"Olga: 40 new messages"_s;
}

// Messages from Olga every 10 ms while the private window is closed, one from Petr amid them:
// each sender has one notification, replaced as the messages come, its last update the count
// and the newest text; Olga's changes at most once per interval.
void TestDesktopAlerts::floodKeepsOneNotificationPerSender()
{
    QFETCH(QString, language);
    QFETCH(int, count);
    m_language = std::make_unique<QTranslator>();
    QVERIFY(m_language->load(u"palavrix_"_s + language, QStringLiteral(PALAVRIX_STAGE_DIR)));
    QCoreApplication::installTranslator(m_language.get());
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= count; ++i) {
        receive(u"Olga"_s, u"сообщение %1"_s.arg(i));
        if (i == count / 2)
            receive(u"Petr"_s, u"и я"_s);
        QTest::qWait(10);
    }
    const qint64 floodMs = clock.elapsed();
    QTRY_COMPARE(service()->calls.last().body, u"сообщение %1"_s.arg(count));
    QTest::qWait(2 * IntervalMs); // nothing more comes after the last
    const QList<FakeNotifications::Call> olga = callsOf(u"Olga"_s);
    QFETCH(QString, summary);
    QCOMPARE(olga.last().summary, summary);
    QCOMPARE(olga.last().body, u"сообщение %1"_s.arg(count));
    QCOMPARE(olga.first().replacesId, 0u);
    for (const FakeNotifications::Call &call : olga.mid(1))
        QCOMPARE(call.replacesId, olga.first().id);
    QVERIFY2(olga.size() <= floodMs / IntervalMs + 2,
             qPrintable(u"%1 updates in %2 ms"_s.arg(olga.size()).arg(floodMs)));
    const QList<FakeNotifications::Call> petr = callsOf(u"Petr"_s);
    QCOMPARE(petr.size(), 1);
    QCOMPARE(petr[0].replacesId, 0u);
    QVERIFY(petr[0].id != olga.first().id);
}

// Once the user has seen the messages, the window coming to the front or the notification
// clicked, the notification goes and the next message counts from one in a new one.
void TestDesktopAlerts::countStartsAgainOnceSeen()
{
    receive(u"Olga"_s, u"раз"_s);
    receive(u"Olga"_s, u"два"_s);
    QTRY_COMPARE(service()->calls.size(), 2);
    const uint first = service()->calls[0].id;
    QCOMPARE(service()->calls[1].replacesId, first);
    // A click, and the service closes the notification, as a desktop's does.
    Q_EMIT service()->ActionInvoked(first, u"default"_s);
    Q_EMIT service()->NotificationClosed(first, 2);
    QTRY_VERIFY(Form4->isActiveWindow());

    activate(Form1);
    receive(u"Olga"_s, u"три"_s);
    QTRY_COMPARE(service()->calls.size(), 3);
    QCOMPARE(service()->calls[2].summary, u"Olga"_s);
    QCOMPARE(service()->calls[2].replacesId, 0u);
    const uint second = service()->calls[2].id;
    // This one the window's coming to the front takes off the screen.
    activate(Form4);
    QTRY_COMPARE(service()->closed, QList<uint>{second});
}

void TestDesktopAlerts::incomingMessageLeavesTheKeyboardWhereItIs_data()
{
    QTest::addColumn<bool>("minimized");
    QTest::newRow("Private window open behind the main window") << false;
    QTest::newRow("Private window minimized") << true;
}

// "Restore the private window" is on; the user types in the main window's input when a
// private message comes: the private window comes up, the keyboard stays in the main window.
void TestDesktopAlerts::incomingMessageLeavesTheKeyboardWhereItIs()
{
    QFETCH(bool, minimized);
    m_windows->Services().Options().Set(&OptionValues::ShowPrivateWND, true);
    Form4->OpenWindow();
    if (minimized)
        Form4->showMinimized();
    activate(Form1);
    Form1->RichEdit4->setFocus();
    receive(u"Olga"_s, u"привет"_s);
    QTRY_VERIFY(Form4->isVisible() && !Form4->isMinimized());
    // Activation is delivered through the event queue: let it run before looking.
    QTest::qWait(50);
    QVERIFY(Form1->isActiveWindow());
    QVERIFY(!Form4->isActiveWindow());
    QCOMPARE(QApplication::focusWidget(), Form1->RichEdit4);
    QTRY_COMPARE(service()->calls.size(), 1); // not seen: the window did not come to the front
}

PALAVRIX_TEST_MAIN(TestDesktopAlerts)
#include "tst_DesktopAlerts.moc"
