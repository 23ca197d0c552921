#include "AppError.h"
#include "ColorList.h"
#include "Cp1251.h"
#include "Datagram.h"
#include "TestSupport.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Building and taking apart the chat's datagrams, byte for byte on the wire.
class TestDatagram final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void building_data();
    void building();
    void takingApart_data();
    void takingApart();
    void publicPayload_data();
    void publicPayload();
    void publicSender_data();
    void publicSender();
    void privateMessage_data();
    void privateMessage();
    void roundTrip_data();
    void roundTrip();
    void broadcastAddress_data();
    void broadcastAddress();
};

namespace
{

// The entry and leave phrases in code page 1251.
const QByteArray EntryBytes = "\xE2 \xF7\xE0\xF2 \xE2\xF5\xEE\xE4\xE8\xF2 - ";
const QByteArray LeaveBytes = "\xEF\xEE\xEA\xE8\xE4\xE0\xE5\xF2 \xF7\xE0\xF2...";
const QByteArray BorisBytes = "\xC1\xEE\xF0\xE8\xF1"; // Борис

} // namespace

void TestDatagram::building_data()
{
    QTest::addColumn<QString>("built");
    QTest::addColumn<QByteArray>("wire");

    QTest::newRow("A presence announcement is the frame and the nick")
        << PresenceAnnouncement(12, u"Ivan"_s) << QByteArray("@#@12@#@Ivan");
    QTest::newRow("A public message Hello from Ivan in colour 12 is exactly 21 bytes")
        << PublicMessage(12, u"Ivan"_s, u"Hello"_s) << QByteArray("@#@12@#@Ivan -->Hello");
    QTest::newRow("A private message has a blank after the arrow and a colon before the body")
        << PrivateMessage(12, u"Ivan"_s, u"Olga"_s, u"Hello"_s)
        << QByteArray("@#@12@#@Ivan --> Olga: Hello");
    QTest::newRow("An entry notice has colour 19 and the quoted nick after the phrase")
        << EntryNotice(u"Ivan"_s) << QByteArray("@#@19@#@ " + EntryBytes + "\"Ivan\"...");
    QTest::newRow("A leave notice has colour 19 and the quoted nick before the phrase")
        << LeaveNotice(u"Ivan"_s) << QByteArray("@#@19@#@\"Ivan\" " + LeaveBytes);
    QTest::newRow("A Cyrillic nick is one byte per letter")
        << PresenceAnnouncement(0, u"Борис"_s) << QByteArray("@#@0@#@" + BorisBytes);
    QTest::newRow("A negative colour number keeps its minus sign")
        << PresenceAnnouncement(-1, u"Ivan"_s) << QByteArray("@#@-1@#@Ivan");
    QTest::newRow("A line break typed in a message travels as CR LF")
        << PublicMessage(3, u"Ivan"_s, u"one\r\ntwo"_s) << QByteArray("@#@3@#@Ivan -->one\r\ntwo");
    QTest::newRow("An empty nick leaves the payload empty")
        << PresenceAnnouncement(5, QString()) << QByteArray("@#@5@#@");
    QTest::newRow("A separator inside a nick is not escaped")
        << PresenceAnnouncement(5, u"Iv@#@an"_s) << QByteArray("@#@5@#@Iv@#@an");
}

void TestDatagram::building()
{
    QFETCH(QString, built);
    QFETCH(QByteArray, wire);
    QCOMPARE(cp1251::encode(built), wire);
}

void TestDatagram::takingApart_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("colorField");
    QTest::addColumn<QString>("payload");
    QTest::addColumn<bool>("colorParses");
    QTest::addColumn<int>("color");
    QTest::addColumn<bool>("colorInList");

    QTest::newRow("The 21-byte public message gives colour 12 and the line to show")
        << QByteArray("@#@12@#@Ivan -->Hello") << u"12"_s << u"Ivan -->Hello"_s << true << 12
        << true;
    QTest::newRow("The first three bytes are dropped unseen: xyz5@#@Ivan is colour 5, Ivan")
        << QByteArray("xyz5@#@Ivan") << u"5"_s << u"Ivan"_s << true << 5 << true;
    QTest::newRow("Only the first @#@ after the colour separates, so a nick keeps its @#@")
        << QByteArray("@#@5@#@Iv@#@an") << u"5"_s << u"Iv@#@an"_s << true << 5 << true;
    QTest::newRow("An entry notice decodes to its Russian payload")
        << QByteArray("@#@19@#@ " + EntryBytes + "\"Ivan\"...") << u"19"_s
        << u" в чат входит - \"Ivan\"..."_s << true << 19 << true;
    QTest::newRow("A leave notice decodes to its Russian payload")
        << QByteArray("@#@19@#@\"Ivan\" " + LeaveBytes) << u"19"_s << u"\"Ivan\" покидает чат..."_s
        << true << 19 << true;
    QTest::newRow("A Cyrillic nick decodes from its single bytes")
        << QByteArray("@#@0@#@" + BorisBytes) << u"0"_s << u"Борис"_s << true << 0 << true;
    QTest::newRow("An empty datagram gives an empty field and an empty payload")
        << QByteArray() << QString() << QString() << false << 0 << false;
    QTest::newRow("A datagram of two bytes gives nothing")
        << QByteArray("@#") << QString() << QString() << false << 0 << false;
    QTest::newRow("A datagram of exactly three bytes gives nothing")
        << QByteArray("@#@") << QString() << QString() << false << 0 << false;
    QTest::newRow("Without a second @#@ the field is empty and two more bytes go")
        << QByteArray("@#@12Ivan") << QString() << u"Ivan"_s << false << 0 << false;
    QTest::newRow("Without any @#@ five bytes go in all")
        << QByteArray("Hello, world") << QString() << u", world"_s << false << 0 << false;
    QTest::newRow("A colour field that is not a number does not parse")
        << QByteArray("@#@x1@#@Ivan") << u"x1"_s << u"Ivan"_s << false << 0 << false;
    QTest::newRow("An empty colour field does not parse")
        << QByteArray("@#@@#@Ivan") << QString() << u"Ivan"_s << false << 0 << false;
    QTest::newRow("A colour beyond 32 bits does not parse")
        << QByteArray("@#@4294967296@#@Ivan") << u"4294967296"_s << u"Ivan"_s << false << 0
        << false;
    QTest::newRow("A colour with a plus sign parses")
        << QByteArray("@#@+7@#@Ivan") << u"+7"_s << u"Ivan"_s << true << 7 << true;
    QTest::newRow("Colour 20 parses but has no entry in the colour list")
        << QByteArray("@#@20@#@Ivan") << u"20"_s << u"Ivan"_s << true << 20 << false;
    QTest::newRow("Colour -1 parses but has no entry in the colour list")
        << QByteArray("@#@-1@#@Ivan") << u"-1"_s << u"Ivan"_s << true << -1 << false;
}

void TestDatagram::takingApart()
{
    QFETCH(QByteArray, wire);
    QFETCH(QString, colorField);
    QFETCH(QString, payload);
    QFETCH(bool, colorParses);
    QFETCH(int, color);
    QFETCH(bool, colorInList);

    const DatagramParts parts = SplitDatagram(DatagramText(wire));
    QCOMPARE(parts.ColorField, colorField);
    QCOMPARE(parts.Payload, payload);
    if (colorParses) {
        QCOMPARE(ColorNumber(parts), color);
        QCOMPARE(colors::isValidIndex(color), colorInList);
    } else {
        QVERIFY_THROWS_EXCEPTION(EConvertError, ColorNumber(parts));
    }
}

void TestDatagram::publicPayload_data()
{
    QTest::addColumn<QString>("payload");
    QTest::addColumn<bool>("systemNotice");

    QTest::newRow("An entry notice is a system notice") << u" в чат входит - \"Ivan\"..."_s << true;
    QTest::newRow("A leave notice is a system notice") << u"\"Ivan\" покидает чат..."_s << true;
    QTest::newRow("A public text holding the entry phrase is shown as a system notice")
        << u"Ivan -->смотри: в чат входит - кто-то"_s << true;
    QTest::newRow("The entry phrase needs no blank before it")
        << u"Ivan -->в чат входит - "_s << true;
    QTest::newRow("The leave phrase needs its blank before it")
        << u"Ivan -->покидает чат..."_s << false;
    QTest::newRow("An ordinary public message is no notice") << u"Ivan -->Hello"_s << false;
    QTest::newRow("The entry phrase without its closing dash is no notice")
        << u"Ivan -->в чат входит"_s << false;
}

void TestDatagram::publicPayload()
{
    QFETCH(QString, payload);
    QFETCH(bool, systemNotice);
    QCOMPARE(IsSystemNotice(payload), systemNotice);
}

void TestDatagram::publicSender_data()
{
    QTest::addColumn<QString>("payload");
    QTest::addColumn<QString>("sender");

    QTest::newRow("A message's sender comes before the arrow") << u"Olga -->Hi"_s << u"Olga"_s;
    QTest::newRow("The first arrow ends the sender") << u"Olga -->a -->b"_s << u"Olga"_s;
    QTest::newRow("A nick that ends with another nick is read whole")
        << u"XБорис -->привет"_s << u"XБорис"_s;
    QTest::newRow("An entry notice names its nick")
        << u" в чат входит - \"Ivan\"..."_s << u"Ivan"_s;
    QTest::newRow("A leave notice names its nick") << u"\"Ivan\" покидает чат..."_s << u"Ivan"_s;
    QTest::newRow("A notice's nick may hold quotes")
        << u" в чат входит - \"a\"b\"..."_s << u"a\"b"_s;
    QTest::newRow("A message holding a notice is still the message's")
        << u"Olga --> в чат входит - \"Ivan\"..."_s << u"Olga"_s;
    QTest::newRow("Quoting a nick names no sender") << u"Olga: \"Ivan\" здесь?"_s << QString();
    QTest::newRow("A lone quote is no leave notice") << u"\""_s << QString();
}

void TestDatagram::publicSender()
{
    QFETCH(QString, payload);
    QFETCH(QString, sender);
    QCOMPARE(PublicSenderNick(payload), sender);
}

void TestDatagram::privateMessage_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("senderNick");
    QTest::addColumn<QString>("body");

    QTest::newRow("A private message gives the sender's nick and the body")
        << QByteArray("@#@12@#@Ivan --> Olga: Hello") << u"Ivan"_s << u"Hello"_s;
    QTest::newRow("A sender's nick holding ': ' cuts the body inside the nick")
        << QByteArray("@#@12@#@Iv: an --> Olga: Hello") << u"Iv: an"_s << u"an --> Olga: Hello"_s;
    QTest::newRow("A body keeps the ': ' written in it")
        << QByteArray("@#@1@#@Ivan --> Olga: note: this") << u"Ivan"_s << u"note: this"_s;
    QTest::newRow("Without an arrow the sender's nick is empty")
        << QByteArray("@#@1@#@Ivan: Hello") << QString() << u"Hello"_s;
    QTest::newRow("Without ': ' the body is the payload less its first character")
        << QByteArray("@#@1@#@Ivan --> Olga") << u"Ivan"_s << u"van --> Olga"_s;
    QTest::newRow("An empty payload gives empty parts")
        << QByteArray("@#@1@#@") << QString() << QString();
    QTest::newRow("Cyrillic nicks and body decode from single bytes")
        << QByteArray("@#@4@#@" + BorisBytes + " --> Olga: " + BorisBytes) << u"Борис"_s
        << u"Борис"_s;
}

void TestDatagram::privateMessage()
{
    QFETCH(QByteArray, wire);
    QFETCH(QString, senderNick);
    QFETCH(QString, body);

    const PrivatePayload parts = SplitPrivatePayload(SplitDatagram(DatagramText(wire)).Payload);
    QCOMPARE(parts.SenderNick, senderNick);
    QCOMPARE(parts.Body, body);
}

void TestDatagram::roundTrip_data()
{
    QTest::addColumn<QString>("built");
    QTest::addColumn<int>("color");
    QTest::addColumn<QString>("payload");

    QTest::newRow("A presence announcement comes back as colour and nick")
        << PresenceAnnouncement(17, u"Ольга"_s) << 17 << u"Ольга"_s;
    QTest::newRow("A public message comes back as the line to show")
        << PublicMessage(0, u"Ivan"_s, u"Привет"_s) << 0 << u"Ivan -->Привет"_s;
    QTest::newRow("An entry notice comes back with colour 19")
        << EntryNotice(u"Ольга"_s) << NoticeColorIndex << u" в чат входит - \"Ольга\"..."_s;
    QTest::newRow("A leave notice comes back with colour 19")
        << LeaveNotice(u"Ольга"_s) << NoticeColorIndex << u"\"Ольга\" покидает чат..."_s;
}

void TestDatagram::roundTrip()
{
    QFETCH(QString, built);
    QFETCH(int, color);
    QFETCH(QString, payload);

    const DatagramParts parts = SplitDatagram(DatagramText(cp1251::encode(built)));
    QCOMPARE(ColorNumber(parts), color);
    QCOMPARE(parts.Payload, payload);
}

void TestDatagram::broadcastAddress_data()
{
    QTest::addColumn<QString>("ownIp");
    QTest::addColumn<QString>("broadcast");

    QTest::newRow("192.168.1.37 gives 192.168.1.255") << u"192.168.1.37"_s << u"192.168.1.255"_s;
    QTest::newRow("127.0.0.1 gives 127.0.0.255") << u"127.0.0.1"_s << u"127.0.0.255"_s;
    QTest::newRow("0.0.0.0 gives 0.0.0.255") << u"0.0.0.0"_s << u"0.0.0.255"_s;
    QTest::newRow("10.0.5.20 gives 10.0.5.255 whatever the real netmask")
        << u"10.0.5.20"_s << u"10.0.5.255"_s;
    QTest::newRow("Missing dots leave empty fields") << u"10.1"_s << u"10...255"_s;
    QTest::newRow("An empty address gives only dots") << QString() << u"...255"_s;
}

void TestDatagram::broadcastAddress()
{
    QFETCH(QString, ownIp);
    QFETCH(QString, broadcast);
    QCOMPARE(BroadcastAddress(ownIp), broadcast);
}

PALAVRIX_TEST_APPLESS_MAIN(TestDatagram)
#include "tst_Datagram.moc"
