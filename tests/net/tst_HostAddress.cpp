#include "HostAddress.h"
#include "TestSupport.h"
#include "UdpErrors.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Host names, dotted addresses and this host's own address.
class TestHostAddress final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hostToAddress_data();
    void hostToAddress();
    void unresolvableName_data();
    void unresolvableName();
    void dottedAddress_data();
    void dottedAddress();
    void hostNameRules_data();
    void hostNameRules();
    void chooseInterface_data();
    void chooseInterface();
    void subnetBroadcast_data();
    void subnetBroadcast();
    void networkWithoutInterface();
    void networkOfAddress_data();
    void networkOfAddress();
    void localNetworkOfThisHost();
};

void TestHostAddress::hostToAddress_data()
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

void TestHostAddress::hostToAddress()
{
    QFETCH(QString, host);
    QFETCH(QString, address);
    QCOMPARE(HostToAddress(host), address);
}

void TestHostAddress::unresolvableName_data()
{
    QTest::addColumn<QString>("host");

    QTest::newRow("A name that does not exist") << u"nosuchhost.invalid"_s;
    QTest::newRow("A number above 255 makes a name") << u"192.168.0.256.invalid"_s;
    QTest::newRow("Five parts make a name") << u"1.2.3.4.5.invalid"_s;
    QTest::newRow("An empty host") << QString();
}

void TestHostAddress::unresolvableName()
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

void TestHostAddress::dottedAddress_data()
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

void TestHostAddress::dottedAddress()
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

void TestHostAddress::hostNameRules_data()
{
    QTest::addColumn<QString>("hostName");
    QTest::addColumn<QString>("lookupResult");
    QTest::addColumn<bool>("looksUp");
    QTest::addColumn<QString>("address");

    QTest::newRow("An unreadable name gives 0.0.0.0")
        << QString() << QString() << false << u"0.0.0.0"_s;
    QTest::newRow("A name that cannot be resolved gives the empty text")
        << u"pc"_s << QString() << true << QString();
    QTest::newRow("A name is looked up")
        << u"pc"_s << u"192.168.1.37"_s << true << u"192.168.1.37"_s;
    QTest::newRow("A name beginning with a digit is its own address")
        << u"192.168.1.5"_s << QString() << false << u"192.168.1.5"_s;
    QTest::newRow("A name beginning with a digit that is no address gives the empty text")
        << u"1pc"_s << QString() << false << QString();
}

void TestHostAddress::hostNameRules()
{
    QFETCH(QString, hostName);
    QFETCH(QString, lookupResult);
    QFETCH(bool, looksUp);
    QFETCH(QString, address);

    QStringList lookedUp;
    const auto lookup = [&](const QString &name) {
        lookedUp.append(name);
        return lookupResult;
    };
    QCOMPARE(HostNameAddress(hostName, lookup), address);
    QCOMPARE(lookedUp, looksUp ? QStringList{hostName} : QStringList{});
}

namespace
{

using socketapi::InterfaceAddress;

// An interface written as "name address/prefix flags": u up, r running, l loopback,
// b broadcast-capable.
InterfaceAddress iface(const QString &text)
{
    const QStringList parts = text.split(u' ');
    const QStringList cidr = parts.at(1).split(u'/');
    InterfaceAddress item;
    item.name = parts.at(0);
    ParseDottedAddress(cidr.at(0), item.address);
    const int prefix = cidr.at(1).toInt();
    item.netmask = prefix == 0 ? 0 : ~std::uint32_t(0) << (32 - prefix);
    const QString flags = parts.value(2);
    item.up = flags.contains(u'u');
    item.running = flags.contains(u'r');
    item.loopback = flags.contains(u'l');
    item.broadcast = flags.contains(u'b');
    return item;
}

QList<InterfaceAddress> ifaces(const QStringList &texts)
{
    QList<InterfaceAddress> list;
    for (const QString &text : texts)
        list.append(iface(text));
    return list;
}

const QString Loopback = u"lo 127.0.0.1/8 url"_s;

} // namespace

void TestHostAddress::chooseInterface_data()
{
    QTest::addColumn<QStringList>("interfaces");
    QTest::addColumn<QStringList>("defaultRoutes");
    QTest::addColumn<QString>("chosen"); // interface name, empty for none
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("broadcast");

    QTest::newRow("The default route's interface wins over one listed before it")
        << QStringList{Loopback, u"dummy0 10.98.0.1/24 urb"_s, u"eth0 10.213.0.11/24 urb"_s}
        << QStringList{u"eth0"_s} << u"eth0"_s << u"10.213.0.11"_s << u"10.213.0.255"_s;
    QTest::newRow("The lowest-metric default route comes first")
        << QStringList{u"wlan0 192.168.8.20/24 urb"_s, u"eth0 10.1.2.3/16 urb"_s}
        << QStringList{u"eth0"_s, u"wlan0"_s} << u"eth0"_s << u"10.1.2.3"_s << u"10.1.255.255"_s;
    QTest::newRow("A default route over a link without carrier gives way")
        << QStringList{u"eth0 10.1.2.3/24 ub"_s, u"wlan0 192.168.8.20/24 urb"_s}
        << QStringList{u"eth0"_s, u"wlan0"_s} << u"wlan0"_s << u"192.168.8.20"_s
        << u"192.168.8.255"_s;
    QTest::newRow("A point-to-point default route gives way to a broadcasting interface")
        << QStringList{u"eth0 192.168.1.37/23 urb"_s, u"tun0 10.8.0.2/32 ur"_s}
        << QStringList{u"tun0"_s} << u"eth0"_s << u"192.168.1.37"_s << u"192.168.1.255"_s;
    QTest::newRow("Without a default route an empty bridge listed first is passed over")
        << QStringList{Loopback, u"br0 10.99.0.1/24 ub"_s, u"eth0 10.213.0.11/23 urb"_s}
        << QStringList{} << u"eth0"_s << u"10.213.0.11"_s << u"10.213.1.255"_s;
    QTest::newRow("An interface that is down is passed over")
        << QStringList{u"eth0 10.0.0.5/24 rb"_s, u"eth1 10.0.1.5/24 urb"_s} << QStringList{}
        << u"eth1"_s << u"10.0.1.5"_s << u"10.0.1.255"_s;
    QTest::newRow("A /24 gives the same broadcast address as before")
        << QStringList{u"eth0 192.168.1.37/24 urb"_s} << QStringList{u"eth0"_s} << u"eth0"_s
        << u"192.168.1.37"_s << u"192.168.1.255"_s;
    QTest::newRow("A /22") << QStringList{u"eth0 172.16.5.9/22 urb"_s} << QStringList{} << u"eth0"_s
                           << u"172.16.5.9"_s << u"172.16.7.255"_s;
    QTest::newRow("A /25 upper half")
        << QStringList{u"eth0 192.168.1.200/25 urb"_s} << QStringList{} << u"eth0"_s
        << u"192.168.1.200"_s << u"192.168.1.255"_s;
    QTest::newRow("A /25 lower half") << QStringList{u"eth0 192.168.1.37/25 urb"_s} << QStringList{}
                                      << u"eth0"_s << u"192.168.1.37"_s << u"192.168.1.127"_s;
    QTest::newRow("Only loopback and carrier-less interfaces: none")
        << QStringList{Loopback, u"br0 10.99.0.1/24 ub"_s} << QStringList{u"br0"_s} << QString()
        << QString() << QString();
}

void TestHostAddress::chooseInterface()
{
    QFETCH(QStringList, interfaces);
    QFETCH(QStringList, defaultRoutes);
    QFETCH(QString, chosen);
    QFETCH(QString, address);
    QFETCH(QString, broadcast);

    const auto choice = ChooseInterface(ifaces(interfaces), defaultRoutes);
    QCOMPARE(choice ? choice->name : QString(), chosen);
    const LocalNetwork network =
        ChooseLocalNetwork(ifaces(interfaces), defaultRoutes, [] { return u"192.0.2.7"_s; });
    if (chosen.isEmpty())
        return;
    QCOMPARE(network.interfaceName, chosen);
    QCOMPARE(network.address, address);
    QCOMPARE(network.broadcast, broadcast);
}

void TestHostAddress::subnetBroadcast_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("prefix");
    QTest::addColumn<QString>("broadcast");

    QTest::newRow("/8") << u"10.1.2.3"_s << 8 << u"10.255.255.255"_s;
    QTest::newRow("/23, lower half") << u"10.213.0.11"_s << 23 << u"10.213.1.255"_s;
    QTest::newRow("/23, upper half") << u"10.213.1.12"_s << 23 << u"10.213.1.255"_s;
    QTest::newRow("/30") << u"192.168.0.5"_s << 30 << u"192.168.0.7"_s;
    QTest::newRow("/31 has no subnet broadcast") << u"192.168.0.4"_s << 31 << u"255.255.255.255"_s;
    QTest::newRow("/32 has no subnet broadcast") << u"192.168.0.4"_s << 32 << u"255.255.255.255"_s;
}

void TestHostAddress::subnetBroadcast()
{
    QFETCH(QString, address);
    QFETCH(int, prefix);
    QFETCH(QString, broadcast);
    const InterfaceAddress item = iface(u"eth0 "_s + address + u'/' + QString::number(prefix));
    QCOMPARE(SubnetBroadcast(item.address, item.netmask), broadcast);
}

void TestHostAddress::networkWithoutInterface()
{
    // With no usable interface the host name decides, and the /24 rule gives the broadcast.
    const QList<InterfaceAddress> none = ifaces({Loopback, u"br0 10.99.0.1/24 ub"_s});
    LocalNetwork network = ChooseLocalNetwork(none, {}, [] { return u"10.0.5.20"_s; });
    QCOMPARE(network.interfaceName, QString());
    QCOMPARE(network.address, u"10.0.5.20"_s);
    QCOMPARE(network.broadcast, u"10.0.5.255"_s);
    network = ChooseLocalNetwork(none, {}, [] { return QString(); });
    QCOMPARE(network.address, u"127.0.0.1"_s);
    QCOMPARE(network.broadcast, u"127.0.0.255"_s);
}

void TestHostAddress::networkOfAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("interfaceName");
    QTest::addColumn<QString>("broadcast");

    QTest::newRow("An address on a /23 broadcasts to the whole /23")
        << u"10.213.0.11"_s << u"eth0"_s << u"10.213.1.255"_s;
    QTest::newRow("An address of a second interface takes that interface's subnet")
        << u"192.168.8.20"_s << u"wlan0"_s << u"192.168.8.255"_s;
    QTest::newRow("An address no interface holds keeps its /24")
        << u"10.5.6.7"_s << QString() << u"10.5.6.255"_s;
}

void TestHostAddress::networkOfAddress()
{
    QFETCH(QString, address);
    QFETCH(QString, interfaceName);
    QFETCH(QString, broadcast);
    const QList<InterfaceAddress> interfaces =
        ifaces({Loopback, u"eth0 10.213.0.11/23 urb"_s, u"wlan0 192.168.8.20/24 urb"_s});
    const LocalNetwork network = NetworkOfAddress(interfaces, address);
    QCOMPARE(network.interfaceName, interfaceName);
    QCOMPARE(network.address, address);
    QCOMPARE(network.broadcast, broadcast);
}

void TestHostAddress::localNetworkOfThisHost()
{
    const LocalNetwork network = FindLocalNetwork();
    QVERIFY2(IsDottedAddress(network.address), qPrintable(network.address));
    QVERIFY2(IsDottedAddress(network.broadcast), qPrintable(network.broadcast));
    QCOMPARE(LocalHostAddress(), network.address);
}

PALAVRIX_TEST_APPLESS_MAIN(TestHostAddress)
#include "tst_HostAddress.moc"
