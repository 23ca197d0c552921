#include "Datagram.h"
#include "HostAddress.h"
#include "SocketApi.h"
#include "TestSupport.h"
#include "UdpEndpoints.h"
#include "UdpErrors.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>
#include <mutex>
#include <numeric>
#include <stdexcept>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The UDP endpoints on the loopback interface: binding, delivery to the UI thread,
// discarding, replies, sending errors and closing while datagrams are in flight.
class TestUdpEndpoints final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void openingReadsBackAddressAndPort();
    void bindConflictLeavesServerClosed();
    void portIsKeptAfterFirstActivation();
    void datagramReachesHandler_data();
    void datagramReachesHandler();
    void oversizedDatagramIsDiscarded_data();
    void oversizedDatagramIsDiscarded();
    void oversizedDatagramAmongOthersIsDiscarded();
    void throwingHandlerLeavesListenerRunning_data();
    void throwingHandlerLeavesListenerRunning();
    void handlerRunsInsideNestedEventLoop();
    void queuedHandOverRunsInsideHandlersNestedLoop();
    void threadedEventRunsOnListenerThread();
    void replyFromBindingReachesSendersPort();
    void closingRunsPendingHandOverFirst_data();
    void closingRunsPendingHandOverFirst();
    void closingFromInsideHandlerCompletes();
    void pausedHandlerThreadLosesNothing();
    void destroyingInsideHandlerDropsRestOfBatch();
    void sendFailures_data();
    void sendFailures();
    void clientIsOpenFromCreation();
    void broadcastPermission_data();
    void broadcastPermission();
};

namespace
{

const QString Loopback = u"127.0.0.1"_s;
constexpr int WaitMs = 5000;

struct Received {
    QByteArray data;
    QString senderIp;
    int senderPort = 0;
    bool onUiThread = false;
    bool bindingIsFirst = false;
};

// A listening endpoint on a free loopback port that records what it receives.
struct Listener {
    std::unique_ptr<TIdUDPServer> server = std::make_unique<TIdUDPServer>();
    QList<Received> inbox;

    explicit Listener(const QString &ip = Loopback)
    {
        server->Bindings.Add()->IP = ip;
        server->OnUDPRead = [this](TIdUDPServer *sender, const QByteArray &data,
                                   TIdSocketHandle *binding) {
            inbox.append({data, binding->SenderIP, binding->SenderPort,
                          QThread::currentThread() == QCoreApplication::instance()->thread(),
                          sender == server.get() && binding == sender->Bindings[0] &&
                              binding == sender->ActiveBinding()});
        };
        server->setActive(true);
    }
    int port() const { return server->Bindings[0]->Port; }
    socketapi::Handle handle() const { return server->Bindings[0]->Handle(); }
};

// True when a datagram waits in the socket's queue, polling at most timeoutMs.
bool queued(socketapi::Handle handle, int timeoutMs)
{
    return !socketapi::WaitReadable({handle}, timeoutMs).isEmpty();
}

// Waits, without running any event, until the listener has taken the datagram queued on
// the socket: only the listener reads it.
bool waitUntilTaken(socketapi::Handle handle)
{
    const QDeadlineTimer deadline(WaitMs);
    while (queued(handle, 0)) {
        if (deadline.hasExpired())
            return false;
        QThread::yieldCurrentThread();
    }
    return true;
}

bool portIsFree(int port)
{
    TIdUDPServer probe;
    probe.Bindings.Add()->IP = Loopback;
    probe.Bindings[0]->Port = port;
    try {
        probe.setActive(true);
        return true;
    } catch (const EIdException &) {
        return false;
    }
}

} // namespace

void TestUdpEndpoints::openingReadsBackAddressAndPort()
{
    TIdUDPServer server;
    QVERIFY(!server.Active());
    QCOMPARE(server.ActiveBinding(), nullptr);
    server.setActive(true);

    QVERIFY(server.Active());
    QCOMPARE(server.Bindings.Count(), 1);
    TIdSocketHandle *binding = server.Bindings[0];
    QCOMPARE(binding->IP, u"0.0.0.0"_s);
    QVERIFY(binding->Port > 0);
    QVERIFY(binding->HandleAllocated());
    QCOMPARE(server.ActiveBinding(), binding);

    const int port = binding->Port;
    server.setActive(true); // the same value changes nothing
    QCOMPARE(server.Bindings[0]->Port, port);

    server.setActive(false);
    QVERIFY(!server.Active());
    QCOMPARE(server.ActiveBinding(), nullptr);
    QCOMPARE(server.Bindings.Count(), 1);
    QVERIFY(!binding->HandleAllocated());
    QCOMPARE(binding->Port, port);
}

void TestUdpEndpoints::bindConflictLeavesServerClosed()
{
    TIdUDPServer holder;
    holder.setActive(true);
    TIdUDPServer second;
    second.setDefaultPort(holder.Bindings[0]->Port);

    try {
        second.setActive(true);
        QFAIL("the second bind succeeded");
    } catch (const EIdCouldNotBindSocket &e) {
        QCOMPARE(e.message(), u"Could not bind socket. Address and port are already in use."_s);
    }
    QVERIFY(!second.Active());
    QCOMPARE(second.ActiveBinding(), nullptr);
    QVERIFY(!second.Bindings[0]->HandleAllocated());
    QVERIFY(holder.Active());
}

void TestUdpEndpoints::portIsKeptAfterFirstActivation()
{
    TIdUDPServer server;
    server.setActive(true);
    const int port = server.Bindings[0]->Port;
    server.setActive(false);

    server.setDefaultPort(port == 65535 ? port - 1 : port + 1);
    server.setActive(true);
    QCOMPARE(server.Bindings.Count(), 1);
    QCOMPARE(server.Bindings[0]->Port, port);
}

void TestUdpEndpoints::datagramReachesHandler_data()
{
    QTest::addColumn<QByteArray>("payload");

    QTest::newRow("An empty datagram reaches the handler empty") << QByteArray();
    QTest::newRow("A text arrives byte for byte")
        << QByteArray("@#@19@#@\"Ivan\" \xEF\xEE\xEA\xE8\xE4\xE0\xE5\xF2 \xF7\xE0\xF2...");
    QTest::newRow("A datagram of exactly the buffer size arrives whole") << QByteArray(8192, 'x');
}

void TestUdpEndpoints::datagramReachesHandler()
{
    QFETCH(QByteArray, payload);

    Listener listener;
    TIdUDPClient client;
    client.SendBytes(Loopback, listener.port(), payload);

    QTRY_COMPARE_WITH_TIMEOUT(listener.inbox.size(), 1, WaitMs);
    const Received &got = listener.inbox.first();
    QCOMPARE(got.data, payload);
    QCOMPARE(got.data.isEmpty(), payload.isEmpty());
    QCOMPARE(got.senderIp, Loopback);
    QVERIFY(got.senderPort > 0);
    QVERIFY(got.onUiThread);
    QVERIFY(got.bindingIsFirst);
}

void TestUdpEndpoints::oversizedDatagramIsDiscarded_data()
{
    QTest::addColumn<int>("size");

    QTest::newRow("One byte over the buffer is dropped whole") << 8193;
    QTest::newRow("The largest datagram IPv4 carries is dropped whole") << 65507;
}

void TestUdpEndpoints::oversizedDatagramIsDiscarded()
{
    QFETCH(int, size);

    Listener listener;
    TIdUDPClient client;
    client.SendBytes(Loopback, listener.port(), QByteArray(size, 'x'));
    client.SendBytes(Loopback, listener.port(), "next");

    // Datagrams from one sender are handled in order: the first delivered is the next one.
    QTRY_COMPARE_WITH_TIMEOUT(listener.inbox.size(), 1, WaitMs);
    QCOMPARE(listener.inbox.first().data, QByteArray("next"));
}

void TestUdpEndpoints::oversizedDatagramAmongOthersIsDiscarded()
{
    Listener listener;
    TIdUDPClient client;
    QList<QByteArray> seen;
    listener.server->OnUDPRead = [&](TIdUDPServer *, const QByteArray &data, TIdSocketHandle *) {
        seen.append(data.left(16));
        if (data == "start") {
            // These wait in the socket while this handler runs and are taken in one go.
            client.SendBytes(Loopback, listener.port(), "before");
            client.SendBytes(Loopback, listener.port(), QByteArray(8193, 'x'));
            client.SendBytes(Loopback, listener.port(), QByteArray(8192, 'y'));
            client.SendBytes(Loopback, listener.port(), "after");
            QVERIFY(queued(listener.handle(), 0));
        }
    };
    client.SendBytes(Loopback, listener.port(), "start");

    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 4, WaitMs);
    QCOMPARE(seen, (QList<QByteArray>{"start", "before", QByteArray(16, 'y'), "after"}));
}

void TestUdpEndpoints::throwingHandlerLeavesListenerRunning_data()
{
    QTest::addColumn<int>("kind");

    QTest::newRow("A handler raising an endpoint error") << 0;
    QTest::newRow("A handler raising a standard exception") << 1;
    QTest::newRow("A handler throwing a plain value") << 2;
}

void TestUdpEndpoints::throwingHandlerLeavesListenerRunning()
{
    QFETCH(int, kind);

    Listener listener;
    QList<QByteArray> seen;
    listener.server->OnUDPRead = [&](TIdUDPServer *, const QByteArray &data, TIdSocketHandle *) {
        seen.append(data); // what the handler did before the error stands
        if (seen.size() > 1)
            return;
        if (kind == 0)
            throw EIdSocketError(10054);
        if (kind == 1)
            throw std::runtime_error("handler failed");
        throw kind;
    };
    TIdUDPClient client;
    client.SendBytes(Loopback, listener.port(), "one");
    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 1, WaitMs);
    client.SendBytes(Loopback, listener.port(), "two");
    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 2, WaitMs);
    QCOMPARE(seen, (QList<QByteArray>{"one", "two"}));
    QVERIFY(listener.server->Active());
}

void TestUdpEndpoints::handlerRunsInsideNestedEventLoop()
{
    Listener listener;
    TIdUDPClient client;
    QEventLoop dialog; // stands for a modal dialog's loop
    listener.server->OnUDPRead = [&](TIdUDPServer *, const QByteArray &data, TIdSocketHandle *) {
        listener.inbox.append(Received{data, {}, 0, true, true});
        dialog.quit();
    };
    QTimer::singleShot(0, &dialog, [&] { client.SendBytes(Loopback, listener.port(), "hi"); });
    QTimer::singleShot(WaitMs, &dialog, [&] { dialog.exit(1); });

    QCOMPARE(dialog.exec(), 0);
    QCOMPARE(listener.inbox.size(), 1);
    QCOMPARE(listener.inbox.first().data, QByteArray("hi"));
}

void TestUdpEndpoints::queuedHandOverRunsInsideHandlersNestedLoop()
{
    Listener first;
    Listener second;
    QEventLoop *dialog = nullptr;
    QStringList events;
    second.server->OnUDPRead = [&](TIdUDPServer *, const QByteArray &, TIdSocketHandle *) {
        events << u"second handled"_s;
        if (dialog)
            dialog->quit();
    };
    first.server->OnUDPRead = [&](TIdUDPServer *, const QByteArray &, TIdSocketHandle *) {
        if (!events.isEmpty())
            return;      // the second one came first: nothing to wait for
        QEventLoop loop; // a modal dialog opened by the handler
        dialog = &loop;
        QTimer::singleShot(WaitMs, &loop, [&] { loop.exit(1); });
        events << (loop.exec() == 0 ? u"dialog saw it"_s : u"dialog timed out"_s);
        dialog = nullptr;
    };

    // Both hand-overs are queued before the UI thread runs either.
    TIdUDPClient client;
    client.SendBytes(Loopback, first.port(), "1");
    QVERIFY(waitUntilTaken(first.handle()));
    client.SendBytes(Loopback, second.port(), "2");
    QVERIFY(waitUntilTaken(second.handle()));

    QTRY_VERIFY_WITH_TIMEOUT(events.contains(u"second handled"_s), 2 * WaitMs);
    QVERIFY(!events.contains(u"dialog timed out"_s));
}

void TestUdpEndpoints::threadedEventRunsOnListenerThread()
{
    TIdUDPServer server;
    server.ThreadedEvent = true;
    server.Bindings.Add()->IP = Loopback;
    std::mutex lock;
    QByteArray data;
    QThread *handlerThread = nullptr;
    server.OnUDPRead = [&](TIdUDPServer *, const QByteArray &bytes, TIdSocketHandle *) {
        const std::lock_guard guard(lock);
        data = bytes;
        handlerThread = QThread::currentThread();
    };
    server.setActive(true);
    TIdUDPClient client;
    client.SendBytes(Loopback, server.Bindings[0]->Port, "threaded");

    const auto arrived = [&] {
        const std::lock_guard guard(lock);
        return handlerThread != nullptr;
    };
    QTRY_VERIFY_WITH_TIMEOUT(arrived(), WaitMs);
    server.setActive(false);
    QCOMPARE(data, QByteArray("threaded"));
    QVERIFY(handlerThread != QThread::currentThread());
}

void TestUdpEndpoints::replyFromBindingReachesSendersPort()
{
    Listener answering;
    answering.server->OnUDPRead = [&](TIdUDPServer *, const QByteArray &data,
                                      TIdSocketHandle *binding) {
        answering.inbox.append({data, binding->SenderIP, binding->SenderPort});
        binding->Transmit(binding->SenderIP, binding->SenderPort, {});
    };
    Listener asking;
    asking.server->SendBytes(Loopback, answering.port(), "ping");

    QTRY_COMPARE_WITH_TIMEOUT(asking.inbox.size(), 1, WaitMs);
    QCOMPARE(answering.inbox.size(), 1);
    QCOMPARE(answering.inbox.first().senderPort, asking.port());
    const Received &reply = asking.inbox.first();
    QVERIFY(reply.data.isEmpty());
    QCOMPARE(reply.senderIp, Loopback);
    QCOMPARE(reply.senderPort, answering.port()); // it leaves from the receiving port
}

void TestUdpEndpoints::closingRunsPendingHandOverFirst_data()
{
    QTest::addColumn<bool>("destroy");

    QTest::newRow("Closing waits for the handler of a datagram in hand") << false;
    QTest::newRow("Destroying waits for the handler of a datagram in hand") << true;
}

void TestUdpEndpoints::closingRunsPendingHandOverFirst()
{
    QFETCH(bool, destroy);

    Listener listener;
    const int port = listener.port();
    const socketapi::Handle handle = listener.handle();
    TIdUDPClient client;
    QObject context;
    QStringList events;
    listener.server->OnUDPRead = [&](TIdUDPServer *, const QByteArray &data,
                                     TIdSocketHandle *binding) {
        if (data == "first") {
            // The listener waits for this handler, so the second datagram stays queued.
            client.SendBytes(Loopback, port, "second");
            QVERIFY(queued(handle, WaitMs));
            QMetaObject::invokeMethod(
                &context,
                [&] {
                    // The listener has the second datagram in hand before the close starts.
                    QVERIFY(waitUntilTaken(handle));
                    events << u"closing"_s;
                    if (destroy)
                        listener.server.reset();
                    else
                        listener.server->setActive(false);
                    events << u"closed"_s;
                },
                Qt::QueuedConnection);
            return;
        }
        events << u"handler "_s + QString::fromLatin1(data);
        try {
            binding->Transmit(binding->SenderIP, binding->SenderPort, "late");
            events << u"transmitted"_s;
        } catch (const EIdSocketError &) {
            events << u"transmit failed"_s;
        }
    };
    client.SendBytes(Loopback, port, "first");

    QTRY_COMPARE_WITH_TIMEOUT(events.size(), 4, WaitMs);
    QCOMPARE(events,
             (QStringList{u"closing"_s, u"handler second"_s, u"transmit failed"_s, u"closed"_s}));
    QVERIFY(!listener.server || !listener.server->Active());
    QVERIFY(portIsFree(port));
}

void TestUdpEndpoints::closingFromInsideHandlerCompletes()
{
    Listener listener;
    const int port = listener.port();
    QStringList events;
    listener.server->OnUDPRead = [&](TIdUDPServer *sender, const QByteArray &, TIdSocketHandle *) {
        QEventLoop dialog; // a modal dialog open in the handler
        QTimer::singleShot(0, &dialog, [&] {
            sender->setActive(false);
            events << u"closed"_s;
            dialog.quit();
        });
        dialog.exec();
        events << u"handler finished"_s;
    };
    TIdUDPClient client;
    client.SendBytes(Loopback, port, "x");

    QTRY_COMPARE_WITH_TIMEOUT(events.size(), 2, WaitMs);
    QCOMPARE(events, (QStringList{u"closed"_s, u"handler finished"_s}));
    QVERIFY(!listener.server->Active());
    QVERIFY(portIsFree(port));

    // It opens again on the same port and delivers as before.
    listener.server->OnUDPRead = [&](TIdUDPServer *, const QByteArray &data, TIdSocketHandle *) {
        events << QString::fromLatin1(data);
    };
    listener.server->setActive(true);
    QCOMPARE(listener.port(), port);
    client.SendBytes(Loopback, port, "again");
    QTRY_COMPARE_WITH_TIMEOUT(events.size(), 3, WaitMs);
    QCOMPARE(events.last(), u"again"_s);
}

void TestUdpEndpoints::pausedHandlerThreadLosesNothing()
{
    constexpr int Count = 1000; // 100 ms at 10,000 datagrams a second
    Listener listener;
    const int granted = socketapi::ReceiveBufferSize(listener.handle());
    if (granted < TIdUDPServer::DefaultReceiveQueueBytes && geteuid() != 0)
        QSKIP("the system limits the receive queue for this user (net.core.rmem_max)");
    TIdUDPClient client;
    QList<int> seen;
    listener.server->OnUDPRead = [&](TIdUDPServer *, const QByteArray &data, TIdSocketHandle *) {
        if (data == "start") {
            // The listener waits for this handler while all of them arrive.
            for (int i = 0; i < Count; ++i)
                client.SendBytes(Loopback, listener.port(), "@#@12@#@" + QByteArray::number(i));
            QVERIFY(queued(listener.handle(), 0));
            return;
        }
        seen.append(data.mid(8).toInt());
        if (seen.size() % 100 == 1)
            throw EIdSocketError(10054); // an error loses nothing else
    };
    client.SendBytes(Loopback, listener.port(), "start");

    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), Count, WaitMs);
    QList<int> expected(Count);
    std::iota(expected.begin(), expected.end(), 0);
    QCOMPARE(seen, expected);
    QVERIFY(listener.server->Active());
}

void TestUdpEndpoints::destroyingInsideHandlerDropsRestOfBatch()
{
    Listener listener;
    const int port = listener.port();
    TIdUDPClient client;
    QStringList events;
    listener.server->OnUDPRead = [&](TIdUDPServer *, const QByteArray &data, TIdSocketHandle *) {
        events << QString::fromLatin1(data);
        if (data == "start") {
            // These three wait in the socket and are taken together once this returns.
            for (const char *text : {"1", "2", "3"})
                client.SendBytes(Loopback, port, text);
        } else if (data == "1") {
            listener.server.reset();
        }
    };
    client.SendBytes(Loopback, port, "start");

    QTRY_VERIFY_WITH_TIMEOUT(events.contains(u"1"_s), WaitMs);
    QCoreApplication::processEvents();
    QCOMPARE(events, (QStringList{u"start"_s, u"1"_s}));
    QVERIFY(portIsFree(port));
}

void TestUdpEndpoints::sendFailures_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("message");

    const QString notFound = u"Socket Error # 11001\r\nHost not found."_s;
    QTest::newRow("A name that cannot be resolved is host not found")
        << u"nosuchhost.invalid"_s << 4 << notFound;
    QTest::newRow("A number above 255 is looked up as a name and not found")
        << u"192.168.0.256.invalid"_s << 4 << notFound;
    QTest::newRow("A payload too long for one datagram is too big")
        << Loopback << 70000 << u"Package Size Too Big."_s;
}

void TestUdpEndpoints::sendFailures()
{
    QFETCH(QString, host);
    QFETCH(int, size);
    QFETCH(QString, message);

    TIdUDPClient client;
    client.Host = host;
    client.Port = 9;
    try {
        client.SendText(QString(size, u'x'));
        QFAIL("the send succeeded");
    } catch (const EIdException &e) {
        QCOMPARE(e.message(), message);
    }
    QVERIFY(client.Active());
}

void TestUdpEndpoints::clientIsOpenFromCreation()
{
    Listener listener;
    TIdUDPClient client;
    QVERIFY(client.Active());
    client.setActive(false);
    QVERIFY(!client.Active());

    // A send opens the socket again.
    client.Host = u"localhost"_s;
    client.Port = listener.port();
    client.SendText(u"Привет"_s);
    QVERIFY(client.Active());
    QTRY_COMPARE_WITH_TIMEOUT(listener.inbox.size(), 1, WaitMs);
    QCOMPARE(DatagramText(listener.inbox.first().data), u"Привет"_s);
}

void TestUdpEndpoints::broadcastPermission_data()
{
    QTest::addColumn<bool>("enabled");

    QTest::newRow("A broadcast comes back to this host's own listener") << true;
    QTest::newRow("A broadcast without the permission is access denied") << false;
}

void TestUdpEndpoints::broadcastPermission()
{
    QFETCH(bool, enabled);

    const QString own = LocalHostAddress();
    if (own.isEmpty() || own.startsWith(u"127.") || own == u"0.0.0.0")
        QSKIP("this host has no interface that can broadcast");

    Listener listener{QString()}; // all local addresses, as the chat listens
    listener.server->setBroadcastEnabled(true);
    TIdUDPClient client;
    client.Host = BroadcastAddress(own);
    client.Port = listener.port();
    client.setBroadcastEnabled(enabled); // applied at once to the open socket
    const QString presence = PresenceAnnouncement(12, u"Ivan"_s);
    if (!enabled) {
        try {
            client.SendText(presence);
            QFAIL("a broadcast left without permission");
        } catch (const EIdSocketError &e) {
            QCOMPARE(e.LastError(), 10013);
            QCOMPARE(e.message(), u"Socket Error # 10013\r\nAccess denied."_s);
        }
        return;
    }
    client.SendText(presence);
    QTRY_COMPARE_WITH_TIMEOUT(listener.inbox.size(), 1, WaitMs);
    QCOMPARE(listener.inbox.first().data, QByteArray("@#@12@#@Ivan"));
    QCOMPARE(listener.inbox.first().senderIp, own);
}

PALAVRIX_TEST_GUILESS_MAIN(TestUdpEndpoints)
#include "tst_UdpEndpoints.moc"
