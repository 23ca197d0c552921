#include "ChatSession.h"

#include "AppError.h"
#include "Cp1251.h"
#include "HistoryFixture.h"
#include "HistoryStore.h"
#include "SocketApi.h"
#include "TestSupport.h"
#include "UdpEndpoints.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

#include <optional>
#include <stdexcept>

namespace
{

// Every datagram comes from this host, so the empty replies can be caught; whether it is
// the user's own is decided by the session's own address.
const QString Sender = QStringLiteral("127.0.0.1");
const QString Elsewhere = QStringLiteral("192.0.2.1"); // an own address that is not the sender's

// The lines' time stamp: two-digit hours, minutes and seconds in every language.
const QString TimeStamp = QStringLiteral(R"(\d\d:\d\d:\d\d)");

// A line pattern: "{t}" stands for the time stamp, the rest is literal.
QRegularExpression linePattern(const QString &expected)
{
    QString pattern = QRegularExpression::escape(expected);
    pattern.replace(QStringLiteral("\\{t\\}"), TimeStamp);
    return QRegularExpression(u'^' + pattern + u'$');
}

// A bound local socket that receives the handlers' empty replies.
class ReplySink
{
public:
    ReplySink()
    {
        m_socket.IP = QStringLiteral("127.0.0.1");
        m_socket.AllocateSocket();
        m_socket.Bind();
    }
    int port() const { return m_socket.Port; }
    // The number of datagrams waiting; each must be empty.
    int drain()
    {
        int count = 0;
        while (!socketapi::WaitReadable({m_socket.Handle()}, 50).isEmpty()) {
            QByteArray data;
            std::uint32_t sender = 0;
            int senderPort = 0;
            socketapi::ReceiveFrom(m_socket.Handle(), data, 8192, sender, senderPort);
            if (!data.isEmpty())
                return -1;
            ++count;
        }
        return count;
    }

private:
    TIdSocketHandle m_socket;
};

ChatSettings allAlerts()
{
    ChatSettings s;
    s.RaiseOnPublic = s.SoundOnPublic = s.OpenOnPrivate = s.SoundOnPrivate = true;
    s.IncomingColorIndex = 12;
    s.NoticeColorIndex = 19;
    s.FontColorIndex = 3;
    return s;
}

} // namespace

// The session without a window: what each datagram means, and two sessions talking.
class TestChatSession final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void publicLines_data();
    void publicLines();
    void privateMessages_data();
    void privateMessages();
    void messagesForTheUser_data();
    void messagesForTheUser();
    void optionsTakeEffectAtTheNextDatagram();
    void presence_data();
    void presence();
    void usersAgeOverTwoRefreshes();
    void twoSessionsTalk();
    void aBusyPortIsNamedAndTheOthersListen();
    void emptyDatagramsAreOnlyReplies_data();
    void emptyDatagramsAreOnlyReplies();
    void tooLongIsRefusedBeforeSending_data();
    void tooLongIsRefusedBeforeSending();
    void unwritableHistoryHidesNoMessage();
    void readOnlyHistoryIsSaidOnce_data();
    void readOnlyHistoryIsSaidOnce();

private:
    struct Heard {
        QStringList lines;
        QList<int> colors;
        int replies = 0;
        int raises = 0;
        QStringList sounds;
        bool failed = false;
    };
    Heard feedPublic(ChatSession &session, const QByteArray &datagram);
};

TestChatSession::Heard TestChatSession::feedPublic(ChatSession &session, const QByteArray &datagram)
{
    Heard heard;
    ReplySink sink;
    TIdSocketHandle binding;
    binding.AllocateSocket();
    binding.SenderIP = Sender;
    binding.SenderPort = sink.port();
    QSignalSpy lines(&session, &ChatSession::publicLine);
    QSignalSpy raises(&session, &ChatSession::publicAlert);
    QSignalSpy sounds(&session, &ChatSession::soundRequested);
    try {
        session.PublicRead(datagram, &binding);
    } catch (const AppError &) {
        heard.failed = true;
    }
    for (const QList<QVariant> &line : lines) {
        heard.lines << line[0].toString();
        heard.colors << line[1].toInt();
    }
    heard.replies = sink.drain();
    heard.raises = int(raises.size());
    for (const QList<QVariant> &sound : sounds)
        heard.sounds << sound[0].toString();
    return heard;
}

// CMake runs this test under an English locale, whose regional time drops the leading zero of
// a morning hour ("4:53:08"); a time zone where it is morning now shows whether the lines keep it.
void TestChatSession::initTestCase()
{
    const int offset = (41 - QDateTime::currentDateTimeUtc().time().hour()) % 24 - 12; // 5 a.m.
    qputenv("TZ", QStringLiteral("<%1%2>%3")
                      .arg(offset < 0 ? u'-' : u'+')
                      .arg(qAbs(offset), 2, 10, QLatin1Char('0'))
                      .arg(-offset)
                      .toLatin1());
    QVERIFY2(QDateTime::currentDateTime().time().hour() < 10,
             qPrintable(QDateTime::currentDateTime().toString(Qt::ISODate)));
}

void TestChatSession::publicLines_data()
{
    QTest::addColumn<bool>("own");
    QTest::addColumn<bool>("ignoreColors");
    QTest::addColumn<int>("prefixes"); // 1 time, 2 address
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QString>("line"); // empty: nothing shown
    QTest::addColumn<int>("color");
    QTest::addColumn<bool>("alerts");

    const QByteArray hi = cp1251::encode(QStringLiteral("@#@5@#@Иван: привет"));
    QTest::newRow("a line in the sender's colour")
        << false << false << 0 << hi << QStringLiteral("Иван: привет") << 5 << true;
    QTest::newRow("ignoring incoming colours")
        << false << true << 0 << hi << QStringLiteral("Иван: привет") << 12 << true;
    QTest::newRow("the own line in the font colour, whatever the options")
        << true << true << 0 << hi << QStringLiteral("Иван: привет") << 3 << true;
    QTest::newRow("time prefix") << false << false << 1 << hi
                                 << QStringLiteral("[{t}] Иван: привет") << 5 << true;
    QTest::newRow("address prefix")
        << false << false << 2 << hi << QStringLiteral("[127.0.0.1] Иван: привет") << 5 << true;
    QTest::newRow("time and address")
        << false << false << 3 << hi << QStringLiteral("[{t}] - [127.0.0.1] Иван: привет") << 5
        << true;
    QTest::newRow("an entry notice: notice colour, time, never the address")
        << false << true << 2
        << cp1251::encode(QStringLiteral("@#@19@#@ в чат входит - \"Оля\"..."))
        << QStringLiteral("[{t}]  в чат входит - \"Оля\"...") << 19 << true;
    QTest::newRow("a leave notice sent in another colour")
        << false << false << 0 << cp1251::encode(QStringLiteral("@#@2@#@\"Оля\" покидает чат..."))
        << QStringLiteral("[{t}] \"Оля\" покидает чат...") << 19 << true;
    QTest::newRow("another user naming the user between quotes alerts")
        << false << false << 0 << cp1251::encode(QStringLiteral("@#@1@#@Оля -->\"Я\" здесь?"))
        << QStringLiteral("Оля -->\"Я\" здесь?") << 1 << true;
    QTest::newRow("the user's own line does not alert, from any address")
        << false << false << 0 << cp1251::encode(QStringLiteral("@#@1@#@Я -->привет"))
        << QStringLiteral("Я -->привет") << 1 << false;
    QTest::newRow("the user's own entry notice does not alert")
        << false << false << 0 << cp1251::encode(QStringLiteral("@#@19@#@ в чат входит - \"Я\"..."))
        << QStringLiteral("[{t}]  в чат входит - \"Я\"...") << 19 << false;
    QTest::newRow("a nick ending with the user's is another user")
        << false << false << 0 << cp1251::encode(QStringLiteral("@#@1@#@XЯ -->привет"))
        << QStringLiteral("XЯ -->привет") << 1 << true;
    QTest::newRow("a colour without an entry shows nothing")
        << false << false << 0 << QByteArray("@#@20@#@x: y") << QString() << 0 << false;
    QTest::newRow("a colour that is no number shows nothing")
        << false << false << 0 << QByteArray("@#@z@#@x: y") << QString() << 0 << false;
    QTest::newRow("no frame: the payload less two characters, colour field empty")
        << false << true << 0 << QByteArray("abcdef") << QStringLiteral("f") << 12 << true;
}

void TestChatSession::publicLines()
{
    QFETCH(bool, own);
    QFETCH(bool, ignoreColors);
    QFETCH(int, prefixes);
    QFETCH(QByteArray, datagram);
    QFETCH(QString, line);
    QFETCH(int, color);
    QFETCH(bool, alerts);

    ChatSession session;
    ChatSettings settings = allAlerts();
    settings.IgnoreIncomingColors = ignoreColors;
    settings.Lines = {(prefixes & 1) != 0, (prefixes & 2) != 0};
    session.setSettings(settings);
    session.setOwnNick(QStringLiteral("Я"));
    session.setOwnIP(own ? Sender : Elsewhere);

    const Heard heard = feedPublic(session, datagram);
    if (line.isEmpty()) {
        QVERIFY(heard.failed);
        QVERIFY(heard.lines.isEmpty());
        QCOMPARE(heard.replies, 0);
        return;
    }
    QVERIFY(!heard.failed);
    QCOMPARE(heard.lines.size(), 1);
    QVERIFY2(linePattern(line).match(heard.lines[0]).hasMatch(), qPrintable(heard.lines[0]));
    QCOMPARE(heard.colors[0], color);
    QCOMPARE(heard.replies, 1);
    QCOMPARE(heard.raises, alerts ? 1 : 0);
    QCOMPARE(heard.sounds, alerts ? QStringList{QStringLiteral("MsgRcvd.wav")} : QStringList());
}

void TestChatSession::optionsTakeEffectAtTheNextDatagram()
{
    // The options are one object that whoever holds them writes; no window is involved.
    ChatOptions options;
    ChatSession session;
    session.setOptions(&options);
    session.setOwnNick(QStringLiteral("Я"));
    session.setOwnIP(Elsewhere);
    const QByteArray hi = cp1251::encode(QStringLiteral("@#@5@#@Иван: привет"));

    Heard heard = feedPublic(session, hi);
    QCOMPARE(heard.lines, QStringList{QStringLiteral("Иван: привет")});
    QCOMPARE(heard.colors, QList<int>{5});
    QCOMPARE(heard.raises, 0);
    QVERIFY(heard.sounds.isEmpty());

    options.Set(&OptionValues::ShowIP, true);
    options.Set(&OptionValues::IgnUsrClr, true);
    options.Set(&OptionValues::IncommingMsgClr, 12);
    options.Set(&OptionValues::ShowMainWND, true);
    options.Set(&OptionValues::PlaySndOnRcv, true);
    heard = feedPublic(session, hi);
    QCOMPARE(heard.lines, QStringList{QStringLiteral("[127.0.0.1] Иван: привет")});
    QCOMPARE(heard.colors, QList<int>{12});
    QCOMPARE(heard.raises, 1);
    QCOMPARE(heard.sounds, QStringList{QStringLiteral("MsgRcvd.wav")});
}

void TestChatSession::privateMessages_data()
{
    QTest::addColumn<bool>("ignoreColors");
    QTest::addColumn<bool>("openWindow");
    QTest::addColumn<int>("prefixes"); // 1 time, 2 address
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QString>("header"); // a pattern; empty: dropped, nothing shown or stored
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("sender"); // recorded
    QTest::addColumn<int>("color");
    QTest::addColumn<int>("opens");  // openPrivateWindow signals
    QTest::addColumn<int>("unseen"); // privateUnseen signals

    const QByteArray hello =
        cp1251::encode(QStringLiteral("@#@6@#@Оля --> Я: Привет\r\nкак дела?"));
    QTest::newRow("a message opens the window")
        << false << true << 0 << hello << QStringLiteral("Оля --> Я:")
        << QStringLiteral("Привет\r\nкак дела?") << QStringLiteral("Оля") << 6 << 1 << 0;
    QTest::newRow("with the window option off it is marked unseen")
        << true << false << 0 << hello << QStringLiteral("Оля --> Я:")
        << QStringLiteral("Привет\r\nкак дела?") << QStringLiteral("Оля") << 12 << 0 << 1;
    QTest::newRow("a message naming the user as sender does not open")
        << false << true << 0 << cp1251::encode(QStringLiteral("@#@6@#@Я --> Я: эхо"))
        << QStringLiteral("Я --> Я:") << QStringLiteral("эхо") << QStringLiteral("Я") << 6 << 0
        << 0;
    QTest::newRow("a sender whose nick ends with the user's opens the window")
        << false << true << 0 << cp1251::encode(QStringLiteral("@#@6@#@XЯ --> Я: привет"))
        << QStringLiteral("XЯ --> Я:") << QStringLiteral("привет") << QStringLiteral("XЯ") << 6 << 1
        << 0;
    QTest::newRow("no arrow: no sender, the body after the first colon")
        << false << true << 0 << QByteArray("@#@0@#@plain: text") << QStringLiteral(" --> Я:")
        << QStringLiteral("text") << QString() << 0 << 1 << 0;
    QTest::newRow("time prefix") << false << true << 1 << hello
                                 << QStringLiteral("[{t}] Оля --> Я:")
                                 << QStringLiteral("Привет\r\nкак дела?") << QStringLiteral("Оля")
                                 << 6 << 1 << 0;
    QTest::newRow("address prefix")
        << false << true << 2 << hello << QStringLiteral("[127.0.0.1] Оля --> Я:")
        << QStringLiteral("Привет\r\nкак дела?") << QStringLiteral("Оля") << 6 << 1 << 0;
    QTest::newRow("time and address")
        << false << true << 3 << hello << QStringLiteral("[{t}] - [127.0.0.1] Оля --> Я:")
        << QStringLiteral("Привет\r\nкак дела?") << QStringLiteral("Оля") << 6 << 1 << 0;
    const QByteArray notice =
        cp1251::encode(QStringLiteral("@#@4@#@Оля --> Я: \"Оля\" покидает чат..."));
    QTest::newRow("a notice: time only, whatever the options, no notice colour")
        << false << true << 2 << notice << QStringLiteral("[{t}] Оля --> Я:")
        << QStringLiteral("\"Оля\" покидает чат...") << QStringLiteral("Оля") << 4 << 1 << 0;
    QTest::newRow("a colour outside the list is dropped")
        << false << true << 0 << cp1251::encode(QStringLiteral("@#@20@#@Оля --> Я: привет"))
        << QString() << QString() << QString() << 0 << 0 << 0;
    QTest::newRow("a colour that is no number is dropped")
        << false << true << 0 << cp1251::encode(QStringLiteral("@#@x@#@Оля --> Я: привет"))
        << QString() << QString() << QString() << 0 << 0 << 0;
    QTest::newRow("an outside colour still shows when incoming colours are ignored")
        << true << true << 0 << cp1251::encode(QStringLiteral("@#@20@#@Оля --> Я: привет"))
        << QStringLiteral("Оля --> Я:") << QStringLiteral("привет") << QStringLiteral("Оля") << 12
        << 1 << 0;
}

void TestChatSession::privateMessages()
{
    QFETCH(bool, ignoreColors);
    QFETCH(bool, openWindow);
    QFETCH(int, prefixes);
    QFETCH(QByteArray, datagram);
    QFETCH(QString, header);
    QFETCH(QString, body);
    QFETCH(QString, sender);
    QFETCH(int, color);
    QFETCH(int, opens);
    QFETCH(int, unseen);

    historytest::ProgramFolder folder;
    QVERIFY(folder.isValid());
    HistoryStore store;
    store.setProgramDir(folder.path());
    QVERIFY_THROWS_NO_EXCEPTION(store.OpenHistory(QStringLiteral("Я")));

    ChatSession session;
    ChatSettings settings = allAlerts();
    settings.IgnoreIncomingColors = ignoreColors;
    settings.OpenOnPrivate = openWindow;
    settings.Lines = {(prefixes & 1) != 0, (prefixes & 2) != 0};
    session.setSettings(settings);
    session.setOwnNick(QStringLiteral("Я"));
    session.setHistoryStore(&store);
    QSignalSpy messages(&session, &ChatSession::privateMessage);
    QSignalSpy openSpy(&session, &ChatSession::openPrivateWindow);
    QSignalSpy unseenSpy(&session, &ChatSession::privateUnseen);
    QSignalSpy sounds(&session, &ChatSession::soundRequested);

    TIdSocketHandle binding;
    binding.SenderIP = Sender;
    bool failed = false;
    try {
        session.PrivateRead(datagram, &binding);
    } catch (const AppError &) {
        failed = true;
    }

    std::vector<HistoryRecord> records;
    QVERIFY(historytest::ReadStoreFile(store.path(), records));
    if (header.isEmpty()) {
        QVERIFY(failed);
        QVERIFY(messages.isEmpty());
        QVERIFY(records.empty());
        QCOMPARE(openSpy.size() + unseenSpy.size() + sounds.size(), 0);
        return;
    }
    QVERIFY(!failed);
    QCOMPARE(messages.size(), 1);
    const QString shown = messages[0][0].toString();
    QVERIFY2(linePattern(header).match(shown).hasMatch(), qPrintable(shown));
    QCOMPARE(messages[0][1].toString(), body);
    QCOMPARE(messages[0][2].toInt(), color);
    QCOMPARE(int(openSpy.size()), opens);
    QCOMPARE(int(unseenSpy.size()), unseen);
    QCOMPARE(sounds.size(), sender == QStringLiteral("Я") ? 0 : 1);

    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(records[0].mSender, sender);
    QCOMPARE(records[0].mReceiver, QStringLiteral("Я"));
    QCOMPARE(records[0].mFullText, body);
    QCOMPARE(records[0].mIncoming, 1);
}

void TestChatSession::messagesForTheUser_data()
{
    QTest::addColumn<bool>("isPrivate");
    QTest::addColumn<QString>("datagram");
    QTest::addColumn<QString>("reported"); // "private", "mention" or empty: nothing
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QString>("text");
    QTest::newRow("A private message from another user")
        << true << QStringLiteral("@#@6@#@Оля --> Я: Привет\r\nкак дела?") << "private"
        << QStringLiteral("Оля") << QStringLiteral("Привет\r\nкак дела?");
    QTest::newRow("A private message naming the user as sender")
        << true << QStringLiteral("@#@6@#@Я --> Я: эхо") << ""
        << ""
        << "";
    QTest::newRow("A public line naming the user's nick")
        << false << QStringLiteral("@#@1@#@Оля -->\"Я\" здесь?") << "mention"
        << QStringLiteral("Оля") << QStringLiteral("\"Я\" здесь?");
    QTest::newRow("The nick in another letter case")
        << false << QStringLiteral("@#@1@#@Оля -->я тут") << "mention" << QStringLiteral("Оля")
        << QStringLiteral("я тут");
    QTest::newRow("The nick inside a word") << false << QStringLiteral("@#@1@#@Оля -->Япония") << ""
                                            << ""
                                            << "";
    QTest::newRow("The user's own line naming the nick")
        << false << QStringLiteral("@#@1@#@Я -->Я здесь") << ""
        << ""
        << "";
    QTest::newRow("An entry notice naming the nick")
        << false << QStringLiteral("@#@19@#@ в чат входит - \"Я\"...") << ""
        << ""
        << "";
}

void TestChatSession::messagesForTheUser()
{
    QFETCH(bool, isPrivate);
    QFETCH(QString, datagram);
    QFETCH(QString, reported);

    // Reported whatever the alert options say: the desktop notifications have their own.
    ChatSession session;
    session.setSettings(ChatSettings{});
    session.setOwnNick(QStringLiteral("Я"));
    session.setOwnIP(Elsewhere);
    QSignalSpy privates(&session, &ChatSession::privateReceived);
    QSignalSpy mentions(&session, &ChatSession::nickMentioned);
    ReplySink sink;
    TIdSocketHandle binding;
    binding.AllocateSocket();
    binding.SenderIP = Sender;
    binding.SenderPort = sink.port();
    if (isPrivate)
        session.PrivateRead(cp1251::encode(datagram), &binding);
    else
        session.PublicRead(cp1251::encode(datagram), &binding);

    QCOMPARE(privates.size(), reported == u"private" ? 1 : 0);
    QCOMPARE(mentions.size(), reported == u"mention" ? 1 : 0);
    for (const QSignalSpy *spy : {&privates, &mentions}) {
        if (!spy->isEmpty()) {
            QTEST(spy->at(0).at(0).toString(), "sender");
            QTEST(spy->at(0).at(1).toString(), "text");
        }
    }
}

void TestChatSession::presence_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QString>("nick"); // empty: nobody stored
    QTest::addColumn<int>("color");
    QTest::addColumn<int>("replies");
    QTest::newRow("a presence stores the nick in its colour and is answered empty")
        << cp1251::encode(QStringLiteral("@#@9@#@ёж")) << QStringLiteral("ёж") << 9 << 1;
    QTest::newRow("a colour outside the list is stored as announced")
        << QByteArray("@#@25@#@Olga") << QStringLiteral("Olga") << 25 << 1;
    QTest::newRow("an empty nick stores nobody and is still answered")
        << QByteArray("@#@4@#@") << QString() << 0 << 1;
    QTest::newRow("a colour that is no number stores nobody and gets no answer")
        << QByteArray("@#@z@#@Olga") << QString() << 0 << 0;
}

void TestChatSession::presence()
{
    QFETCH(QByteArray, datagram);
    QFETCH(QString, nick);
    QFETCH(int, color);
    QFETCH(int, replies);

    ChatSession session;
    session.setOwnIP(Elsewhere);
    ReplySink sink;
    TIdSocketHandle binding;
    binding.AllocateSocket();
    binding.SenderIP = Sender;
    binding.SenderPort = sink.port();
    try {
        session.SystemRead(datagram, &binding);
    } catch (const AppError &) {
        QCOMPARE(replies, 0);
    }
    QCOMPARE(sink.drain(), replies);
    const std::span<const UsrInfo> users = session.Users().Users();
    if (nick.isEmpty()) {
        QVERIFY(users.empty());
        return;
    }
    QCOMPARE(users.size(), size_t(1));
    QCOMPARE(users[0].Nick, nick);
    QCOMPARE(users[0].ColorIndex, color);
    QCOMPARE(users[0].IP, Sender);
}

void TestChatSession::usersAgeOverTwoRefreshes()
{
    ChatSession session;
    session.setOwnIP(QStringLiteral("127.0.0.1"));
    ReplySink sink;
    TIdSocketHandle binding;
    binding.AllocateSocket();
    binding.SenderIP = Sender;
    binding.SenderPort = sink.port();
    session.SystemRead(cp1251::encode(QStringLiteral("@#@9@#@ёж")), &binding);
    session.SystemRead(cp1251::encode(QStringLiteral("@#@4@#@ад")), &binding);
    QCOMPARE(sink.drain(), 2);
    QVERIFY(session.IsUserAt(QStringLiteral("ёж"), Sender)); // heard, not listed yet

    QSignalSpy refreshed(&session, &ChatSession::usersRefreshed);
    session.RefreshUsers();
    const auto users = refreshed[0][0].value<QList<UsrInfo>>();
    QCOMPARE(users.size(), 2);
    // Code page order: "ад" (E0) before "ёж" (B8) would be UTF-16 order; bytes put ё first.
    QCOMPARE(users[0].Nick, QStringLiteral("ёж"));
    QCOMPARE(users[0].ColorIndex, 9);
    QCOMPARE(users[1].Nick, QStringLiteral("ад"));
    // Both are on the own address: no recipient items.
    QVERIFY(refreshed[0][1].toStringList().isEmpty());
    QCOMPARE(session.RecipientItemFor(QStringLiteral("ад")), QStringLiteral("ад - 127.0.0.1"));
    // A user is a nick at the address it was heard from.
    QVERIFY(session.IsUserAt(QStringLiteral("ад"), Sender));
    QVERIFY(!session.IsUserAt(QStringLiteral("ад"), QStringLiteral("127.0.0.9")));
    QVERIFY(!session.IsUserAt(QStringLiteral("Mallory"), Sender));

    // Nobody announced since: the next refresh lists no one.
    session.RefreshUsers();
    QVERIFY(refreshed[1][0].value<QList<UsrInfo>>().isEmpty());
    QVERIFY(!session.IsUserAt(QStringLiteral("ад"), Sender));
}

// A port another program holds: only that one is reported, the other two still listen.
void TestChatSession::aBusyPortIsNamedAndTheOthersListen()
{
    QUdpSocket holder;
    QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress));
    ChatSession session;
    const ChatPorts ports{testsupport::freeUdpPort(), int(holder.localPort()),
                          testsupport::freeUdpPort()};
    session.setPorts(ports);
    QCOMPARE(session.StartNetwork(), QList<int>{ports.System});
    for (int port : {ports.Public, ports.Private}) {
        QUdpSocket other;
        QVERIFY2(!other.bind(QHostAddress::AnyIPv4, quint16(port), QUdpSocket::DontShareAddress),
                 qPrintable(QString::number(port)));
    }
    session.CloseListeners();
}

void TestChatSession::twoSessionsTalk()
{
    // Two sessions on this host, each sending to the other's listening ports.
    historytest::ProgramFolder folder;
    QVERIFY(folder.isValid());
    HistoryStore store;
    store.setProgramDir(folder.path());
    QVERIFY_THROWS_NO_EXCEPTION(store.OpenHistory(QStringLiteral("Оля")));

    ChatSession ivan, olga;
    const ChatPorts ivanPorts{testsupport::freeUdpPort(), testsupport::freeUdpPort(),
                              testsupport::freeUdpPort()};
    const ChatPorts olgaPorts{testsupport::freeUdpPort(), testsupport::freeUdpPort(),
                              testsupport::freeUdpPort()};
    for (auto [session, own, other] :
         {std::tuple{&ivan, ivanPorts, olgaPorts}, std::tuple{&olga, olgaPorts, ivanPorts}}) {
        session->setPorts(own);
        session->IdUDPClient1->Port = other.Public;
        session->IdUDPClient2->Port = other.System;
        session->PrivateClient->Port = other.Private;
        session->setBroadcastAddress(QStringLiteral("127.0.0.1"));
        session->setSettings(allAlerts());
        QVERIFY(session->StartNetwork().isEmpty());
    }
    ivan.setOwnNick(QStringLiteral("Иван"));
    ivan.setOwnIP(QStringLiteral("127.0.0.2"));
    olga.setOwnNick(QStringLiteral("Оля"));
    olga.setOwnIP(QStringLiteral("127.0.0.3"));
    olga.setHistoryStore(&store);

    QSignalSpy olgaLines(&olga, &ChatSession::publicLine);
    ivan.GoOnline();
    QTRY_COMPARE(olgaLines.size(), 1);
    QVERIFY(olgaLines[0][0].toString().endsWith(QStringLiteral(" в чат входит - \"Иван\"...")));

    ivan.SendPublic(QStringLiteral("Всем привет"));
    QTRY_COMPARE(olgaLines.size(), 2);
    QCOMPARE(olgaLines[1][0].toString(), QStringLiteral("Иван -->Всем привет"));
    QCOMPARE(olgaLines[1][1].toInt(), 3);

    QSignalSpy refreshed(&olga, &ChatSession::usersRefreshed);
    QTRY_VERIFY(olga.Users().Count() == 1);
    olga.RefreshUsers();
    QCOMPARE(refreshed[0][1].toStringList(), QStringList{QStringLiteral("Иван - 127.0.0.1")});

    QSignalSpy ivanPrivate(&ivan, &ChatSession::privateMessage);
    QSignalSpy olgaPrivate(&olga, &ChatSession::privateMessage);
    olga.SendPrivate(olga.RecipientItemFor(QStringLiteral("Иван")), QStringLiteral("Привет, Иван"));
    QCOMPARE(olgaPrivate.size(), 1); // the own echo
    QCOMPARE(olgaPrivate[0][0].toString(), QStringLiteral("Оля --> Иван:"));
    QTRY_COMPARE(ivanPrivate.size(), 1);
    QCOMPARE(ivanPrivate[0][0].toString(), QStringLiteral("Оля --> Иван:"));
    QCOMPARE(ivanPrivate[0][1].toString(), QStringLiteral("Привет, Иван"));

    std::vector<HistoryRecord> records;
    QVERIFY(historytest::ReadStoreFile(store.path(), records));
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(records[0].mReceiver, QStringLiteral("Иван"));
    QCOMPARE(records[0].mIncoming, 0);
}

void TestChatSession::emptyDatagramsAreOnlyReplies_data()
{
    QTest::addColumn<int>("port"); // 0 public, 1 system, 2 private
    QTest::addColumn<bool>("ignoreColors");
    QTest::newRow("public") << 0 << false;
    QTest::newRow("public, ignoring incoming colours") << 0 << true;
    QTest::newRow("system") << 1 << false;
    QTest::newRow("private, ignoring incoming colours") << 2 << true;
}

void TestChatSession::emptyDatagramsAreOnlyReplies()
{
    QFETCH(int, port);
    QFETCH(bool, ignoreColors);
    ChatSession session;
    ChatSettings settings = allAlerts();
    settings.IgnoreIncomingColors = ignoreColors;
    session.setSettings(settings);
    session.setOwnNick(QStringLiteral("Я"));
    session.setOwnIP(Elsewhere);
    ReplySink sink;
    TIdSocketHandle binding;
    binding.AllocateSocket();
    binding.SenderIP = Sender;
    binding.SenderPort = sink.port();
    QSignalSpy lines(&session, &ChatSession::publicLine);
    QSignalSpy messages(&session, &ChatSession::privateMessage);
    QSignalSpy sounds(&session, &ChatSession::soundRequested);
    QSignalSpy unseen(&session, &ChatSession::privateUnseen);

    const QList<void (ChatSession::*)(const QByteArray &, TIdSocketHandle *)> handlers{
        &ChatSession::PublicRead, &ChatSession::SystemRead, &ChatSession::PrivateRead};
    (session.*handlers[port])(QByteArray(), &binding);
    QCOMPARE(sink.drain(), 0);
    QVERIFY(lines.isEmpty() && messages.isEmpty() && sounds.isEmpty() && unseen.isEmpty());
    QCOMPARE(session.Users().Count(), 0);
}

void TestChatSession::tooLongIsRefusedBeforeSending_data()
{
    QTest::addColumn<bool>("isPrivate");
    QTest::addColumn<int>("nickLength");
    QTest::addColumn<int>("excess"); // 0: sent
    // The frame "@#@3@#@" is 7 bytes; a public message adds " -->", a private one " --> ",
    // the recipient "Оля" and ": ".
    QTest::newRow("public, 8192 bytes go") << false << 181 << 0;
    QTest::newRow("public, one byte over") << false << 182 << 1;
    QTest::newRow("private, 8192 bytes go") << true << 175 << 0;
    QTest::newRow("private, a 200-character nick") << true << 200 << 25;
}

void TestChatSession::tooLongIsRefusedBeforeSending()
{
    QFETCH(bool, isPrivate);
    QFETCH(int, nickLength);
    QFETCH(int, excess);
    historytest::ProgramFolder folder;
    QVERIFY(folder.isValid());
    HistoryStore store;
    store.setProgramDir(folder.path());
    store.OpenHistory(QStringLiteral("me"));

    ChatSession session;
    const int port = testsupport::freeUdpPort();
    TIdUDPServer listener;
    QList<QByteArray> received;
    listener.OnUDPRead = [&received](TIdUDPServer *, const QByteArray &d, TIdSocketHandle *) {
        received << d;
    };
    listener.setDefaultPort(port);
    listener.setActive(true);
    session.setPorts({port, port, port});
    session.setBroadcastAddress(QStringLiteral("127.0.0.1"));
    session.setSettings(allAlerts());
    session.setOwnNick(QString(nickLength, u'N'));
    session.setHistoryStore(&store);
    QSignalSpy echoes(&session, &ChatSession::privateMessage);

    const QString text(8000, u'x');
    auto send = [&] {
        if (isPrivate)
            session.SendPrivate(QStringLiteral("Оля - 127.0.0.1"), text);
        else
            session.SendPublic(text);
    };
    if (excess == 0) {
        send();
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received[0].size(), 8192);
        return;
    }
    try {
        send();
        QFAIL("a datagram over 8192 bytes was sent");
    } catch (const EMessageTooLong &error) {
        QCOMPARE(error.excessBytes(), qsizetype(excess));
    }
    QTest::qWait(100);
    QVERIFY(received.isEmpty());
    QVERIFY(echoes.isEmpty());
    std::vector<HistoryRecord> records;
    QVERIFY(historytest::ReadStoreFile(store.path(), records));
    QVERIFY(records.empty());
}

void TestChatSession::unwritableHistoryHidesNoMessage()
{
    historytest::ProgramFolder folder;
    QVERIFY(folder.isValid());
    HistoryStore store;
    store.setProgramDir(folder.path());
    store.OpenHistory(QStringLiteral("Я"));
    ChatSession session;
    session.setSettings(allAlerts());
    session.setOwnNick(QStringLiteral("Я"));
    session.setHistoryStore(&store);
    QSignalSpy errors(&session, &ChatSession::historyNotSaved);
    session.CheckHistory();
    QCoreApplication::processEvents();
    QVERIFY(errors.isEmpty());

    testsupport::ReadOnlyFolder readOnly(folder.path());
    session.CheckHistory();
    QVERIFY(errors.isEmpty()); // reported from the event loop, not from inside the caller
    QTRY_COMPARE(errors.size(), 1);
    QCOMPARE(errors[0][0].toString(), QDir::toNativeSeparators(store.path()));
    const auto failure = errors[0][1].value<HistoryFailure>();
    QVERIFY2(failure.fault == HistoryFault::ReadOnlyFileSystem ||
                 failure.fault == HistoryFault::NoPermission,
             qPrintable(failure.detail));

    QSignalSpy messages(&session, &ChatSession::privateMessage);
    QSignalSpy opens(&session, &ChatSession::openPrivateWindow);
    QSignalSpy sounds(&session, &ChatSession::soundRequested);
    TIdSocketHandle binding;
    binding.SenderIP = Sender;
    for (int i = 0; i < 2; ++i)
        session.PrivateRead(cp1251::encode(QStringLiteral("@#@6@#@Оля --> Я: Привет")), &binding);
    QCOMPARE(messages.size(), 2);
    QCOMPARE(opens.size(), 2);
    QCOMPARE(sounds.size(), 2);
    QCoreApplication::processEvents();
    QCOMPARE(errors.size(), 1); // said once
    std::vector<HistoryRecord> records;
    QVERIFY(historytest::ReadStoreFile(store.path(), records));
    QVERIFY(records.empty()); // the store did refuse them
}

void TestChatSession::readOnlyHistoryIsSaidOnce_data()
{
    QTest::addColumn<bool>("storeExists");
    QTest::addColumn<bool>("checkedAtStart");
    QTest::newRow("The folder turns read-only while the copy runs") << true << false;
    QTest::newRow("A new user's folder is read-only before the store is made") << false << true;
}

// Said once, with the folder's fault, however many messages then fail to be stored.
void TestChatSession::readOnlyHistoryIsSaidOnce()
{
    QFETCH(bool, storeExists);
    QFETCH(bool, checkedAtStart);
    historytest::ProgramFolder folder;
    QVERIFY(folder.isValid());
    HistoryStore store;
    store.setProgramDir(folder.path());
    if (storeExists)
        store.OpenHistory(QStringLiteral("Я"));
    ChatSession session;
    session.setOwnNick(QStringLiteral("Я"));
    session.setHistoryStore(&store);
    QSignalSpy errors(&session, &ChatSession::historyNotSaved);
    std::optional<testsupport::ReadOnlyFolder> readOnly;
    try {
        readOnly.emplace(folder.path());
    } catch (const std::runtime_error &error) {
        QSKIP(error.what());
    }
    if (!storeExists)
        store.ChooseHistory(QStringLiteral("Я"));
    if (checkedAtStart)
        session.CheckHistory();
    TIdSocketHandle binding;
    binding.SenderIP = Sender;
    for (int i = 0; i < 3; ++i)
        session.PrivateRead(cp1251::encode(QStringLiteral("@#@6@#@Оля --> Я: Привет")), &binding);
    QTRY_COMPARE(errors.size(), 1);
    const auto failure = errors[0][1].value<HistoryFailure>();
    QVERIFY2(
        failure.fault == HistoryFault::ReadOnlyFileSystem ||
            failure.fault == HistoryFault::NoPermission,
        qPrintable(QStringLiteral("fault %1: %2").arg(int(failure.fault)).arg(failure.detail)));
    QCoreApplication::processEvents();
    QCOMPARE(errors.size(), 1);
}

PALAVRIX_TEST_GUILESS_MAIN(TestChatSession)
#include "tst_ChatSession.moc"
