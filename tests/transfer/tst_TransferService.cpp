#include "FileTransferService.h"
#include "Sha256.h"
#include "TestSupport.h"
#include "TransferErrors.h"
#include "TransferOutcome.h"
#include "TransferProtocol.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QNetworkDatagram>
#include <QNetworkProxy>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <memory>

using namespace Qt::StringLiterals;
using namespace transfer;

// Two copies on the loopback interface, and a hand-made sender speaking the protocol byte by
// byte where a test needs to misbehave.
class TestTransferService final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void peersLearnOfEachOther();
    void ownAnnouncementListsNoPeer();
    void filesArriveWholeUnderFreeNames();
    void confirmationOutlivesTheReceiver();
    void declinedOfferEndsBothSides();
    void cancelOnEitherSide_data();
    void cancelOnEitherSide();
    void foreignConnectionsAreRefused_data();
    void foreignConnectionsAreRefused();
    void brokenTransferRemovesTheFile_data();
    void brokenTransferRemovesTheFile();
    void severalTransfersAtOnce();
    void unreadableFileIsRefusedAtOnce();
    void transfersNeverGoThroughAProxy();
    void silentSenderStallsThenFails();
    void silentReceiverFailsTheSender();
    void partialsOfAKilledCopyGoAtStart();
};

namespace
{

constexpr int WaitMs = 15000;
const QHostAddress Loopback(QHostAddress::LocalHost);

// One copy: the service on a free loopback port, a folder of its own and its journal of
// partial files beside that folder.
struct Side {
    explicit Side(const QString &nick) { service.start({0, nick, {}, journal()}); }
    FileTransferService service;
    QTemporaryDir dir;
    QTemporaryDir data;
    QSignalSpy offers{&service, &FileTransferService::offerReceived};
    QSignalSpy ends{&service, &FileTransferService::finished};
    QSignalSpy files{&service, &FileTransferService::fileTransferred};
    QSignalSpy progress{&service, &FileTransferService::progress};
    QSignalSpy stalls{&service, &FileTransferService::stalled};

    QString path(const QString &name) const { return dir.filePath(name); }
    QString lastOfferToken() const { return offers.last().at(0).value<IncomingOffer>().token; }
    TransferEnd end(int i = 0) const { return ends.at(i).at(1).value<TransferEnd>(); }
    Outcome outcome(int i = 0) const { return end(i).outcome; }
    QStringList entries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
    QString journal() const { return data.filePath(u"Partials.lst"_s); }
    QList<bool> stallStates() const
    {
        QList<bool> states;
        for (const auto &args : stalls)
            states.append(args.at(1).toBool());
        return states;
    }
};

QByteArray RandomBytes(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(bytes.data()),
                                          size / sizeof(quint32));
    return bytes;
}

QString WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Sha(const QByteArray &bytes)
{
    Sha256 hash;
    hash.addData(bytes.constData(), bytes.size());
    return hash.result();
}

QByteArray Frame(FrameType type, const QByteArray &payload = {})
{
    return BuildFrameHeader(type, quint32(payload.size())) + payload;
}

// A sender made by hand: its offer from a UDP socket, its data over a raw TCP connection.
struct HandSender {
    QUdpSocket udp;
    QString token = NewToken();

    void offer(quint16 port, const QList<OfferedFile> &files)
    {
        QVERIFY(udp.bind(Loopback, 0));
        TransferDatagram offer{DatagramKind::Offer, 0, u"Mallory"_s, token, files};
        udp.writeDatagram(BuildDatagram(offer), Loopback, port);
    }
    // The accept datagram the receiver answers with, once it is there.
    std::optional<TransferDatagram> answer()
    {
        if (!udp.hasPendingDatagrams() && !udp.waitForReadyRead(WaitMs))
            return std::nullopt;
        return ParseDatagram(udp.receiveDatagram().data());
    }
};

QByteArray FailureFrame(FailureReason reason)
{
    return Frame(FrameType::Failure, QByteArray(1, char(reason)));
}

bool Connect(QTcpSocket &socket, quint16 port, const QHostAddress &from = Loopback)
{
    if (from != Loopback && !socket.bind(from, 0))
        return false;
    socket.connectToHost(Loopback, port);
    return socket.waitForConnected(WaitMs);
}

} // namespace

void TestTransferService::peersLearnOfEachOther()
{
    Side ivan(u"Ivan"_s), olga(u"Olga"_s);
    QSignalSpy olgaPeers(&olga.service, &FileTransferService::peersChanged);
    QCOMPARE(olga.service.peerPort(Loopback), quint16(0));
    ivan.service.announceTo(Loopback, olga.service.port());
    QTRY_COMPARE_WITH_TIMEOUT(olga.service.peerPort(Loopback), ivan.service.port(), WaitMs);
    // Olga answers a newcomer at once, so Ivan need not wait for her broadcast.
    QTRY_COMPARE_WITH_TIMEOUT(ivan.service.peerPort(Loopback), olga.service.port(), WaitMs);
    QCOMPARE(olgaPeers.count(), 1);
    QCOMPARE(olga.service.peerPort(QHostAddress(u"127.0.0.2"_s)), quint16(0));
}

void TestTransferService::ownAnnouncementListsNoPeer()
{
    Side ivan(u"Ivan"_s), olga(u"Olga"_s);
    QSignalSpy peers(&ivan.service, &FileTransferService::peersChanged);
    // Ivan's own broadcast reaches him first, then Olga's announcement.
    ivan.service.announceTo(Loopback, ivan.service.port());
    olga.service.announceTo(Loopback, ivan.service.port());
    QTRY_COMPARE_WITH_TIMEOUT(ivan.service.peerPort(Loopback), olga.service.port(), WaitMs);
    QCOMPARE(peers.count(), 1);
}

void TestTransferService::filesArriveWholeUnderFreeNames()
{
    Side ivan(u"Ivan"_s), olga(u"Olga"_s);
    const QByteArray report = RandomBytes(3 * 1024 * 1024 + 17);
    const QString reportPath = WriteFile(ivan.path(u"report.pdf"_s), report);
    const QString emptyPath = WriteFile(ivan.path(u"пусто.txt"_s), {});
    WriteFile(olga.path(u"report.pdf"_s), "older report");

    const QString token =
        ivan.service.offerFiles(Loopback, olga.service.port(), {reportPath, emptyPath});
    QTRY_COMPARE_WITH_TIMEOUT(olga.offers.count(), 1, WaitMs);
    const auto offer = olga.offers.at(0).at(0).value<IncomingOffer>();
    QCOMPARE(offer.token, token);
    QCOMPARE(offer.nick, u"Ivan"_s);
    QCOMPARE(offer.files,
             (QList<OfferedFile>{{u"report.pdf"_s, report.size()}, {u"пусто.txt"_s, 0}}));

    olga.service.accept(token, olga.dir.path());
    QTRY_COMPARE_WITH_TIMEOUT(olga.ends.count(), 1, WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(ivan.ends.count(), 1, WaitMs);
    QCOMPARE(olga.outcome(), Outcome::Done);
    QCOMPARE(ivan.outcome(), Outcome::Done);

    QCOMPARE(ReadAll(olga.path(u"report.pdf"_s)), QByteArray("older report"));
    QCOMPARE(Sha(ReadAll(olga.path(u"report (1).pdf"_s))), Sha(report));
    QVERIFY(QFile::exists(olga.path(u"пусто.txt"_s)));
    QCOMPARE(olga.entries().size(), 3); // no ".part" left behind
    QCOMPARE(olga.files.count(), 2);
    QCOMPARE(olga.files.at(0).at(2).toString(), u"report (1).pdf"_s);
    QCOMPARE(ivan.files.count(), 2);
    const auto last = ivan.progress.last().at(1).value<TransferProgress>();
    QCOMPARE(last.done, report.size());
    QCOMPARE(last.total, report.size());
    QCOMPARE(ivan.service.activeCount(), 0);
    QCOMPARE(olga.service.activeCount(), 0);
}

void TestTransferService::confirmationOutlivesTheReceiver()
{
    // A receiver that ends right after the last file (a script's peer) still confirms it.
    Side ivan(u"Ivan"_s);
    auto olga = std::make_unique<Side>(u"Olga"_s);
    const QString path = WriteFile(ivan.path(u"a.bin"_s), RandomBytes(1024 * 1024));
    const QString token = ivan.service.offerFiles(Loopback, olga->service.port(), {path});
    QTRY_COMPARE_WITH_TIMEOUT(olga->offers.count(), 1, WaitMs);
    connect(&olga->service, &FileTransferService::finished, this,
            [&olga] { QTimer::singleShot(0, [&olga] { olga.reset(); }); });
    olga->service.accept(token, olga->dir.path());
    QTRY_COMPARE_WITH_TIMEOUT(ivan.ends.count(), 1, WaitMs);
    QCOMPARE(ivan.outcome(), Outcome::Done);
    QVERIFY(!olga);
}

void TestTransferService::declinedOfferEndsBothSides()
{
    Side ivan(u"Ivan"_s), olga(u"Olga"_s);
    const QString path = WriteFile(ivan.path(u"a.bin"_s), "abc");
    const QString token = ivan.service.offerFiles(Loopback, olga.service.port(), {path});
    QTRY_COMPARE_WITH_TIMEOUT(olga.offers.count(), 1, WaitMs);
    olga.service.decline(token);
    QTRY_COMPARE_WITH_TIMEOUT(ivan.ends.count(), 1, WaitMs);
    QCOMPARE(ivan.outcome(), Outcome::Declined);
    QCOMPARE(ivan.end().direction, Direction::Outgoing);
    QCOMPARE(olga.outcome(), Outcome::Declined);
    QCOMPARE(olga.end().direction, Direction::Incoming);
    QVERIFY(olga.entries().isEmpty());
}

void TestTransferService::cancelOnEitherSide_data()
{
    QTest::addColumn<bool>("senderCancels");
    QTest::addColumn<bool>("beforeAnswer");
    QTest::newRow("The sender cancels mid-way") << true << false;
    QTest::newRow("The receiver cancels mid-way") << false << false;
    QTest::newRow("The sender withdraws the offer before an answer") << true << true;
}

void TestTransferService::cancelOnEitherSide()
{
    QFETCH(bool, senderCancels);
    QFETCH(bool, beforeAnswer);
    Side ivan(u"Ivan"_s), olga(u"Olga"_s);
    const QString path = WriteFile(ivan.path(u"big.bin"_s), QByteArray(64 * 1024 * 1024, 'x'));
    const QString token = ivan.service.offerFiles(Loopback, olga.service.port(), {path});
    QTRY_COMPARE_WITH_TIMEOUT(olga.offers.count(), 1, WaitMs);
    Side &canceller = senderCancels ? ivan : olga;
    Side &other = senderCancels ? olga : ivan;
    if (beforeAnswer) {
        ivan.service.cancel(token);
    } else {
        // Cancel as soon as the first bytes are through, far from the end.
        connect(
            &canceller.service, &FileTransferService::progress, &canceller.service,
            [&canceller](const QString &t) { canceller.service.cancel(t); },
            Qt::SingleShotConnection);
        olga.service.accept(token, olga.dir.path());
    }
    QTRY_COMPARE_WITH_TIMEOUT(canceller.ends.count(), 1, WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(other.ends.count(), 1, WaitMs);
    QCOMPARE(canceller.outcome(), Outcome::Cancelled);
    QCOMPARE(other.outcome(), Outcome::CancelledByPeer);
    QVERIFY2(olga.entries().isEmpty(), qPrintable(olga.entries().join(u", ")));
}

void TestTransferService::foreignConnectionsAreRefused_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QByteArray>("hello"); // "right" stands for the offer's token frame
    QTest::addColumn<bool>("acceptFirst");
    QTest::newRow("A wrong token")
        << u"127.0.0.1"_s << Frame(FrameType::Token, NewToken().toLatin1()) << true;
    QTest::newRow("The right token from another address")
        << u"127.0.0.2"_s << QByteArray("right") << true;
    QTest::newRow("The right token before the offer is accepted")
        << u"127.0.0.1"_s << QByteArray("right") << false;
    QTest::newRow("Data before any token")
        << u"127.0.0.1"_s << Frame(FrameType::Data, QByteArray(40, 'a')) << true;
}

void TestTransferService::foreignConnectionsAreRefused()
{
    QFETCH(QString, from);
    QFETCH(QByteArray, hello);
    QFETCH(bool, acceptFirst);
    Side olga(u"Olga"_s);
    HandSender sender;
    const QByteArray content = "the real content";
    sender.offer(olga.service.port(), {{u"a.txt"_s, content.size()}});
    QTRY_COMPARE_WITH_TIMEOUT(olga.offers.count(), 1, WaitMs);
    const QByteArray rightHello = Frame(FrameType::Token, sender.token.toLatin1());
    if (hello == "right")
        hello = rightHello;
    if (acceptFirst)
        olga.service.accept(sender.token, olga.dir.path());

    QTcpSocket intruder;
    QVERIFY(Connect(intruder, olga.service.port(), QHostAddress(from)));
    intruder.write(hello + Frame(FrameType::Data, content));
    QTRY_COMPARE_WITH_TIMEOUT(intruder.state(), QAbstractSocket::UnconnectedState, WaitMs);
    QCOMPARE(intruder.readAll(), QByteArray());
    QCOMPARE(olga.ends.count(), 0);

    // The offer is still there for its real sender.
    if (!acceptFirst)
        olga.service.accept(sender.token, olga.dir.path());
    const auto answer = sender.answer();
    QVERIFY(answer && answer->kind == DatagramKind::Accept);
    QTcpSocket genuine;
    QVERIFY(Connect(genuine, answer->port));
    genuine.write(rightHello + Frame(FrameType::Data, content) +
                  Frame(FrameType::Digest, Sha(content)));
    QTRY_COMPARE_WITH_TIMEOUT(olga.ends.count(), 1, WaitMs);
    QCOMPARE(olga.outcome(), Outcome::Done);
    QTRY_COMPARE_WITH_TIMEOUT(genuine.bytesAvailable(), qint64(FrameHeaderSize), WaitMs);
    QCOMPARE(genuine.readAll(), Frame(FrameType::FileDone));
    QCOMPARE(ReadAll(olga.path(u"a.txt"_s)), content);
}

void TestTransferService::brokenTransferRemovesTheFile_data()
{
    const QByteArray content = "0123456789";
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<bool>("drop");
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("A wrong checksum")
        << Frame(FrameType::Data, content) + Frame(FrameType::Digest, Sha("other")) << false
        << Failure::HashMismatch
        << Frame(FrameType::Failure, QByteArray(1, char(FailureReason::HashMismatch)));
    QTest::newRow("The connection drops mid-file")
        << Frame(FrameType::Data, content.left(4)) << true << Failure::Dropped << QByteArray();
    QTest::newRow("More data than offered")
        << Frame(FrameType::Data, content + "!") << false << Failure::Protocol
        << Frame(FrameType::Failure, QByteArray(1, char(FailureReason::Protocol)));
    QTest::newRow("The sender cannot read its file")
        << Frame(FrameType::Data, content.left(4)) +
               Frame(FrameType::Failure, QByteArray(1, char(FailureReason::ReadFailed)))
        << false << Failure::ReadFailed << QByteArray();
}

void TestTransferService::brokenTransferRemovesTheFile()
{
    QFETCH(QByteArray, stream);
    QFETCH(bool, drop);
    QFETCH(Failure, failure);
    QFETCH(QByteArray, answer);
    Side olga(u"Olga"_s);
    HandSender sender;
    sender.offer(olga.service.port(), {{u"a.txt"_s, 10}});
    QTRY_COMPARE_WITH_TIMEOUT(olga.offers.count(), 1, WaitMs);
    olga.service.accept(sender.token, olga.dir.path());
    const auto accepted = sender.answer();
    QVERIFY(accepted && accepted->kind == DatagramKind::Accept);
    QTcpSocket socket;
    QVERIFY(Connect(socket, accepted->port));
    socket.write(Frame(FrameType::Token, sender.token.toLatin1()) + stream);
    QVERIFY(socket.waitForBytesWritten(WaitMs));
    if (drop) {
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(olga.path(u"a.txt.part"_s)), WaitMs);
        socket.abort();
    }
    QTRY_COMPARE_WITH_TIMEOUT(olga.ends.count(), 1, WaitMs);
    QCOMPARE(olga.outcome(), Outcome::Failed);
    QCOMPARE(olga.end().failure, failure);
    QCOMPARE(olga.end().fileName, u"a.txt"_s);
    QVERIFY2(olga.entries().isEmpty(), qPrintable(olga.entries().join(u", ")));
    if (!answer.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(socket.bytesAvailable() >= answer.size(), WaitMs);
        QCOMPARE(socket.read(answer.size()), answer);
    }
}

void TestTransferService::severalTransfersAtOnce()
{
    Side ivan(u"Ivan"_s), olga(u"Olga"_s);
    const QByteArray first = RandomBytes(8 * 1024 * 1024);
    const QByteArray second = RandomBytes(6 * 1024 * 1024);
    const QString a = ivan.service.offerFiles(Loopback, olga.service.port(),
                                              {WriteFile(ivan.path(u"one.bin"_s), first)});
    const QString b = ivan.service.offerFiles(Loopback, olga.service.port(),
                                              {WriteFile(ivan.path(u"two.bin"_s), second)});
    QTRY_COMPARE_WITH_TIMEOUT(olga.offers.count(), 2, WaitMs);
    olga.service.accept(a, olga.dir.path());
    olga.service.accept(b, olga.dir.path());
    QTRY_COMPARE_WITH_TIMEOUT(olga.service.activeCount(), 0, WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(ivan.service.activeCount(), 0, WaitMs);
    QCOMPARE(olga.outcome(0), Outcome::Done);
    QCOMPARE(olga.outcome(1), Outcome::Done);
    QCOMPARE(Sha(ReadAll(olga.path(u"one.bin"_s))), Sha(first));
    QCOMPARE(Sha(ReadAll(olga.path(u"two.bin"_s))), Sha(second));
    QSet<QString> reported;
    for (const auto &args : std::as_const(olga.progress))
        reported.insert(args.at(0).toString());
    QCOMPARE(reported, (QSet<QString>{a, b}));
}

void TestTransferService::unreadableFileIsRefusedAtOnce()
{
    Side ivan(u"Ivan"_s), olga(u"Olga"_s);
    // The fault and the file it concerns, for the window to word.
    const auto refusal = [&](const QStringList &paths) {
        try {
            ivan.service.offerFiles(Loopback, olga.service.port(), paths);
        } catch (const ETransferError &error) {
            return u"%1 %2"_s.arg(int(error.fault())).arg(error.subject());
        }
        return u"offered"_s;
    };
    const QString missing = ivan.path(u"missing.bin"_s);
    QCOMPARE(refusal({missing}), u"%1 %2"_s.arg(int(TransferFault::FileUnreadable)).arg(missing));
    QCOMPARE(refusal({ivan.dir.path()}),
             u"%1 %2"_s.arg(int(TransferFault::FileUnreadable)).arg(ivan.dir.path()));
    QCOMPARE(refusal({}), u"%1 "_s.arg(int(TransferFault::NoFiles)));
    QCOMPARE(ivan.service.activeCount(), 0);
}

void TestTransferService::transfersNeverGoThroughAProxy()
{
    // A proxy the desktop names (here one that answers nobody) is not for the local network.
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::Socks5Proxy, Loopback.toString(), 9));
    const auto restore = qScopeGuard([] { QNetworkProxy::setApplicationProxy({}); });
    Side ivan(u"Ivan"_s), olga(u"Olga"_s);
    QVERIFY(ivan.service.port() != 0 && olga.service.port() != 0);
    const QByteArray data = RandomBytes(64 * 1024);
    const QString token = ivan.service.offerFiles(Loopback, olga.service.port(),
                                                  {WriteFile(ivan.path(u"a.bin"_s), data)});
    QTRY_COMPARE_WITH_TIMEOUT(olga.offers.count(), 1, WaitMs);
    olga.service.accept(token, olga.dir.path());
    QTRY_COMPARE_WITH_TIMEOUT(ivan.ends.count(), 1, WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(olga.ends.count(), 1, WaitMs);
    QCOMPARE(ivan.outcome(), Outcome::Done);
    QCOMPARE(ReadAll(olga.path(u"a.bin"_s)), data);
}

// A sender that stops after the token and a few bytes: the receiver shows the stall, clears it
// when bytes come again, and after the longer silence fails, removes the partial and tells
// the sender.
void TestTransferService::silentSenderStallsThenFails()
{
    Side olga(u"Olga"_s);
    olga.service.setStallTimes(300, 1500);
    HandSender sender;
    sender.offer(olga.service.port(), {{u"a.txt"_s, 10}});
    QTRY_COMPARE_WITH_TIMEOUT(olga.offers.count(), 1, WaitMs);
    olga.service.accept(sender.token, olga.dir.path());
    const auto accepted = sender.answer();
    QVERIFY(accepted && accepted->kind == DatagramKind::Accept);
    QTcpSocket socket;
    QVERIFY(Connect(socket, accepted->port));
    socket.write(Frame(FrameType::Token, sender.token.toLatin1()) + Frame(FrameType::Data, "0123"));
    QTRY_COMPARE_WITH_TIMEOUT(olga.stallStates(), QList<bool>{true}, WaitMs);
    QCOMPARE(olga.ends.count(), 0);
    const QString partial = QDir(olga.dir.path()).absoluteFilePath(u"a.txt.part"_s);
    QVERIFY(QFile::exists(partial));
    QCOMPARE(ReadAll(olga.journal()), QFile::encodeName(partial) + '\n');

    socket.write(Frame(FrameType::Data, "456"));
    QTRY_COMPARE_WITH_TIMEOUT(olga.stallStates(), (QList<bool>{true, false}), WaitMs);

    QTRY_COMPARE_WITH_TIMEOUT(olga.ends.count(), 1, WaitMs);
    QCOMPARE(olga.stallStates(), (QList<bool>{true, false, true}));
    QCOMPARE(olga.outcome(), Outcome::Failed);
    QCOMPARE(olga.end().failure, Failure::Stalled);
    QCOMPARE(olga.end().fileName, u"a.txt"_s);
    QVERIFY2(olga.entries().isEmpty(), qPrintable(olga.entries().join(u", ")));
    QCOMPARE(ReadAll(olga.journal()), QByteArray());
    const QByteArray told = FailureFrame(FailureReason::Stalled);
    QTRY_VERIFY_WITH_TIMEOUT(socket.bytesAvailable() >= told.size(), WaitMs);
    QCOMPARE(socket.read(told.size()), told);
}

// A receiver that takes the connection and then reads nothing (a link gone quiet): the sender
// shows the stall and then fails, telling the user the file was not delivered.
void TestTransferService::silentReceiverFailsTheSender()
{
    Side ivan(u"Ivan"_s);
    ivan.service.setStallTimes(300, 1500);
    QUdpSocket udp;
    QVERIFY(udp.bind(Loopback, 0));
    QTcpServer server;
    QVERIFY(server.listen(Loopback, 0));
    const QString path = WriteFile(ivan.path(u"big.bin"_s), QByteArray(64 * 1024 * 1024, 'x'));
    const QString token = ivan.service.offerFiles(Loopback, udp.localPort(), {path});
    TransferDatagram accept{DatagramKind::Accept, server.serverPort(), {}, token, {}};
    QTRY_VERIFY_WITH_TIMEOUT(udp.hasPendingDatagrams(), WaitMs);
    const QNetworkDatagram offer = udp.receiveDatagram();
    udp.writeDatagram(BuildDatagram(accept), Loopback, quint16(offer.senderPort()));
    QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), WaitMs);
    std::unique_ptr<QTcpSocket> silent(server.nextPendingConnection());
    silent->setReadBufferSize(64 * 1024); // the receiver stops taking bytes

    QTRY_COMPARE_WITH_TIMEOUT(ivan.stallStates(), QList<bool>{true}, WaitMs);
    QCOMPARE(ivan.ends.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(ivan.ends.count(), 1, WaitMs);
    QCOMPARE(ivan.outcome(), Outcome::Failed);
    QCOMPARE(ivan.end().failure, Failure::Stalled);
    QCOMPARE(ivan.end().direction, Direction::Outgoing);
    QCOMPARE(ivan.end().fileName, u"big.bin"_s);
    QCOMPARE(ivan.service.activeCount(), 0);
}

// A copy killed mid-transfer leaves its partial and the journal naming it; the next start
// removes it.
void TestTransferService::partialsOfAKilledCopyGoAtStart()
{
    QTemporaryDir dir;
    const QString partial = WriteFile(dir.filePath(u"a.txt.part"_s), "half");
    const QString kept = WriteFile(dir.filePath(u"a.txt"_s), "whole");
    const QString journal = dir.filePath(u"Partials.lst"_s);
    WriteFile(journal, QFile::encodeName(partial) + '\n' + QFile::encodeName(kept) + '\n');
    FileTransferService service;
    service.start({0, u"Olga"_s, {}, journal});
    QVERIFY(!QFile::exists(partial));
    QCOMPARE(ReadAll(kept), QByteArray("whole"));
    QCOMPARE(ReadAll(journal), QByteArray());
}

PALAVRIX_TEST_GUILESS_MAIN(TestTransferService)
#include "tst_TransferService.moc"
