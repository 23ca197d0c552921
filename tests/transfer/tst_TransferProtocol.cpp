#include "TestSupport.h"
#include "TransferErrors.h"
#include "TransferProtocol.h"

#include <QCoreApplication>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace transfer;

Q_DECLARE_METATYPE(transfer::TransferDatagram)

// The file port's datagrams and the data connection's frame headers.
class TestTransferProtocol final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void refused_data();
    void refused();
    void oversizedOfferIsRefusedWhenBuilt();
    void tokens();
    void frameHeaders_data();
    void frameHeaders();
};

namespace
{

const QString Token = u"0123456789abcdef0123456789abcdef"_s;
const QByteArray Magic = "PALAVRIX-FILES/1\n";

TransferDatagram Make(DatagramKind kind, quint16 port, QString nick, QString token,
                      QList<OfferedFile> files = {})
{
    return {kind, port, std::move(nick), std::move(token), std::move(files)};
}

} // namespace

void TestTransferProtocol::roundTrip_data()
{
    QTest::addColumn<TransferDatagram>("datagram");
    QTest::newRow("An announcement carries the data port and the nick")
        << Make(DatagramKind::Announce, 558, u"Ivan"_s, {});
    QTest::newRow("An offer carries the token and every name and size")
        << Make(DatagramKind::Offer, 0, u"Борис"_s, Token,
                {{u"report.pdf"_s, 1234567}, {u"пустой.txt"_s, 0}});
    QTest::newRow("A 10 GB size survives exactly")
        << Make(DatagramKind::Offer, 0, u"Ivan"_s, Token, {{u"disk.img"_s, 10737418240LL}});
    QTest::newRow("An accept names the port to connect to")
        << Make(DatagramKind::Accept, 40001, {}, Token);
    QTest::newRow("A decline") << Make(DatagramKind::Decline, 0, {}, Token);
    QTest::newRow("A cancel") << Make(DatagramKind::Cancel, 0, {}, Token);
}

void TestTransferProtocol::roundTrip()
{
    QFETCH(TransferDatagram, datagram);
    const QByteArray bytes = BuildDatagram(datagram);
    QVERIFY(bytes.startsWith(Magic));
    const auto parsed = ParseDatagram(bytes);
    QVERIFY(parsed.has_value());
    QCOMPARE(*parsed, datagram);
}

void TestTransferProtocol::refused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray t = Token.toLatin1();
    QTest::newRow("A chat datagram") << QByteArray("@#@12@#@Ivan -->Hello");
    QTest::newRow("An empty datagram") << QByteArray();
    QTest::newRow("Another version")
        << QByteArray("PALAVRIX-FILES/2\n{\"type\":\"cancel\",\"token\":\"" + t + "\"}");
    QTest::newRow("Broken JSON") << Magic + "{\"type\":\"cancel\",";
    QTest::newRow("Not an object") << Magic + "[1,2]";
    QTest::newRow("An unknown kind") << Magic + "{\"type\":\"delete\",\"token\":\"" + t + "\"}";
    QTest::newRow("A token too short") << Magic + "{\"type\":\"cancel\",\"token\":\"abc\"}";
    QTest::newRow("A token with capitals")
        << Magic + "{\"type\":\"cancel\",\"token\":\"" + t.toUpper() + "\"}";
    QTest::newRow("A missing token") << Magic + "{\"type\":\"decline\"}";
    QTest::newRow("An announcement without a port")
        << Magic + "{\"type\":\"announce\",\"nick\":\"a\"}";
    QTest::newRow("Port 0") << Magic + "{\"type\":\"accept\",\"port\":0,\"token\":\"" + t + "\"}";
    QTest::newRow("A port beyond 65535")
        << Magic + "{\"type\":\"accept\",\"port\":65536,\"token\":\"" + t + "\"}";
    QTest::newRow("A port given as text")
        << Magic + "{\"type\":\"accept\",\"port\":\"558\",\"token\":\"" + t + "\"}";
    const QByteArray offer = Magic + "{\"type\":\"offer\",\"nick\":\"a\",\"token\":\"" + t + "\",";
    QTest::newRow("An offer without files") << offer + "\"files\":[]}";
    QTest::newRow("A negative size") << offer + "\"files\":[{\"name\":\"a\",\"size\":-1}]}";
    QTest::newRow("A fractional size") << offer + "\"files\":[{\"name\":\"a\",\"size\":1.5}]}";
    QTest::newRow("A size beyond 2^53") << offer + "\"files\":[{\"name\":\"a\",\"size\":1e300}]}";
    QTest::newRow("An empty name") << offer + "\"files\":[{\"name\":\"\",\"size\":1}]}";
    QTest::newRow("A name that is not text") << offer + "\"files\":[{\"name\":5,\"size\":1}]}";
    QTest::newRow("A file without a size") << offer + "\"files\":[{\"name\":\"a\"}]}";
    QByteArray many = offer + "\"files\":[";
    for (int i = 0; i <= MaxOfferFiles; ++i)
        many += QByteArray(i ? "," : "") + "{\"name\":\"a\",\"size\":1}";
    QTest::newRow("More files than an offer may hold") << many + "]}";
}

void TestTransferProtocol::refused()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!ParseDatagram(bytes).has_value());
}

void TestTransferProtocol::oversizedOfferIsRefusedWhenBuilt()
{
    TransferDatagram offer = Make(DatagramKind::Offer, 0, u"Ivan"_s, Token);
    for (int i = 0; i < MaxOfferFiles; ++i)
        offer.files.append({QString(400, u'я'), 1});
    QVERIFY_THROWS_EXCEPTION(ETransferError, BuildDatagram(offer));
}

void TestTransferProtocol::tokens()
{
    const QString a = NewToken();
    const QString b = NewToken();
    QVERIFY(IsToken(a));
    QVERIFY(IsToken(b));
    QVERIFY(a != b);
}

void TestTransferProtocol::frameHeaders_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<char>("type");
    QTest::addColumn<quint32>("length");
    QTest::newRow("A token frame holds 32 bytes")
        << QByteArray("T\0\0\0\x20", 5) << true << 'T' << 32u;
    QTest::newRow("A data frame of 1 MiB")
        << QByteArray("D\0\x10\0\0", 5) << true << 'D' << (1u << 20);
    QTest::newRow("A data frame over 1 MiB") << QByteArray("D\0\x10\0\1", 5) << false << 'D' << 0u;
    QTest::newRow("An empty data frame") << QByteArray("D\0\0\0\0", 5) << false << 'D' << 0u;
    QTest::newRow("A digest of 31 bytes") << QByteArray("H\0\0\0\x1f", 5) << false << 'H' << 0u;
    QTest::newRow("A failure carries its reason byte")
        << QByteArray("E\0\0\0\1", 5) << true << 'E' << 1u;
    QTest::newRow("A cancel with a payload") << QByteArray("X\0\0\0\1", 5) << false << 'X' << 0u;
    QTest::newRow("An unknown type") << QByteArray("Z\0\0\0\0", 5) << false << 'Z' << 0u;
    QTest::newRow("A short header") << QByteArray("K\0\0\0", 4) << false << 'K' << 0u;
}

void TestTransferProtocol::frameHeaders()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QFETCH(char, type);
    QFETCH(quint32, length);
    const auto header = ParseFrameHeader(bytes);
    QCOMPARE(header.has_value(), valid);
    if (valid) {
        QCOMPARE(char(header->type), type);
        QCOMPARE(header->length, length);
        QCOMPARE(BuildFrameHeader(header->type, header->length), bytes);
    }
}

PALAVRIX_TEST_GUILESS_MAIN(TestTransferProtocol)
#include "tst_TransferProtocol.moc"
