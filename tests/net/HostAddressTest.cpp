#include "HostAddress.h"
#include "UdpErrors.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Host names, dotted addresses and this host's own address.
class HostAddressTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hostToAddress_data();
    void hostToAddress();
    void unresolvableName_data();
    void unresolvableName();
    void dottedAddress_data();
    void dottedAddress();
    void localHostAddressRules_data();
    void localHostAddressRules();
    void localHostAddressOfThisHost();
};

void HostAddressTest::hostToAddress_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("address");

    QTest::newRow("LOCALHOST gives 127.0.0.1") << u"LOCALHOST"_s << u"127.0.0.1"_s;
    QTest::newRow("localhost in lower case gives 127.0.0.1") << u"localhost"_s << u"127.0.0.1"_s;
    QTest::newRow("LocalHost in mixed case gives 127.0.0.1") << u"LocalHost"_s << u"127.0.0.1"_s;
    QTest::newRow("A broadcast address is used unchanged")
        << u"192.168.0.255"_s << u"192.168.0.255"_s;
    QTest::newRow("0.0.0.0 is used unchanged") << u"0.0.0.0"_s << u"0.0.0.0"_s;
    QTest::newRow("Leading zeros are kept as written") << u"010.0.0.1"_s << u"010.0.0.1"_s;
}

void HostAddressTest::hostToAddress()
{
    QFETCH(QString, host);
    QFETCH(QString, address);
    QCOMPARE(HostToAddress(host), address);
}

void HostAddressTest::unresolvableName_data()
{
    QTest::addColumn<QString>("host");

    QTest::newRow("A name that does not exist") << u"nosuchhost.invalid"_s;
    QTest::newRow("A number above 255 makes a name") << u"192.168.0.256.invalid"_s;
    QTest::newRow("Five parts make a name") << u"1.2.3.4.5.invalid"_s;
    QTest::newRow("An empty host") << QString();
}

void HostAddressTest::unresolvableName()
{
    QFETCH(QString, host);
    try {
        HostToAddress(host);
        QFAIL("the lookup did not fail");
    } catch (const EIdSocketError &e) {
        QCOMPARE(e.LastError(), 11001);
        QCOMPARE(e.message(), u"Socket Error # 11001\r\nHost not found."_s);
    }
}

void HostAddressTest::dottedAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("dotted");
    QTest::addColumn<QString>("normalized");

    QTest::newRow("192.168.0.255 is dotted") << u"192.168.0.255"_s << true << u"192.168.0.255"_s;
    QTest::newRow("0.0.0.0 is dotted") << u"0.0.0.0"_s << true << u"0.0.0.0"_s;
    QTest::newRow("255.255.255.255 is dotted")
        << u"255.255.255.255"_s << true << u"255.255.255.255"_s;
    QTest::newRow("Parts are decimal, leading zeros included")
        << u"010.001.0.09"_s << true << u"10.1.0.9"_s;
    QTest::newRow("A part above 255 is looked up as a name")
        << u"192.168.0.256"_s << false << QString();
    QTest::newRow("Three parts are looked up as a name") << u"1.2.3"_s << false << QString();
    QTest::newRow("Five parts are looked up as a name") << u"1.2.3.4.5"_s << false << QString();
    QTest::newRow("An empty part is looked up as a name") << u"1..3.4"_s << false << QString();
    QTest::newRow("A trailing dot is looked up as a name") << u"1.2.3."_s << false << QString();
    QTest::newRow("Letters are looked up as a name") << u"a.b.c.d"_s << false << QString();
    QTest::newRow("A blank in a part is looked up as a name")
        << u"1.2.3.4 "_s << false << QString();
    QTest::newRow("An empty text is not dotted") << QString() << false << QString();
}

void HostAddressTest::dottedAddress()
{
    QFETCH(QString, text);
    QFETCH(bool, dotted);
    QFETCH(QString, normalized);

    QCOMPARE(IsDottedAddress(text), dotted);
    std::uint32_t address = 0;
    QCOMPARE(ParseDottedAddress(text, address), dotted);
    if (dotted)
        QCOMPARE(DottedText(address), normalized);
}

void HostAddressTest::localHostAddressRules_data()
{
    QTest::addColumn<QString>("hostName");
    QTest::addColumn<QString>("lookupResult");
    QTest::addColumn<QString>("interfaceAddress");
    QTest::addColumn<bool>("looksUp");
    QTest::addColumn<QString>("address");

    QTest::newRow("An unreadable name gives 0.0.0.0 when no interface can broadcast")
        << QString() << QString() << QString() << false << u"0.0.0.0"_s;
    QTest::newRow("An unreadable name gives the broadcasting interface's address")
        << QString() << QString() << u"10.0.0.7"_s << false << u"10.0.0.7"_s;
    QTest::newRow("A name that cannot be resolved gives the empty text")
        << u"pc"_s << QString() << QString() << true << QString();
    QTest::newRow("A name that cannot be resolved gives way to the interface")
        << u"pc"_s << QString() << u"10.0.0.7"_s << true << u"10.0.0.7"_s;
    QTest::newRow("A name resolving to loopback gives way to the interface")
        << u"pc"_s << u"127.0.1.1"_s << u"10.0.0.7"_s << true << u"10.0.0.7"_s;
    QTest::newRow("A name resolving to loopback stays without such an interface")
        << u"pc"_s << u"127.0.1.1"_s << QString() << true << u"127.0.1.1"_s;
    QTest::newRow("A name resolving to a network address is used as it is")
        << u"pc"_s << u"192.168.1.37"_s << u"10.0.0.7"_s << true << u"192.168.1.37"_s;
    QTest::newRow("A name beginning with a digit is its own address")
        << u"192.168.1.5"_s << QString() << u"10.0.0.7"_s << false << u"192.168.1.5"_s;
    QTest::newRow("A name beginning with a digit that is no address gives the empty text")
        << u"1pc"_s << QString() << QString() << false << QString();
    QTest::newRow("A name beginning with a digit that is no address gives way to the interface")
        << u"1pc"_s << QString() << u"10.0.0.7"_s << false << u"10.0.0.7"_s;
}

void HostAddressTest::localHostAddressRules()
{
    QFETCH(QString, hostName);
    QFETCH(QString, lookupResult);
    QFETCH(QString, interfaceAddress);
    QFETCH(bool, looksUp);
    QFETCH(QString, address);

    QStringList lookedUp;
    const auto lookup = [&](const QString &name) {
        lookedUp.append(name);
        return lookupResult;
    };
    QCOMPARE(ChooseLocalHostAddress(hostName, lookup, [&] { return interfaceAddress; }), address);
    QCOMPARE(lookedUp, looksUp ? QStringList{hostName} : QStringList{});
}

void HostAddressTest::localHostAddressOfThisHost()
{
    const QString address = LocalHostAddress();
    QVERIFY2(address.isEmpty() || IsDottedAddress(address), qPrintable(address));
}

QTEST_APPLESS_MAIN(HostAddressTest)
#include "HostAddressTest.moc"
