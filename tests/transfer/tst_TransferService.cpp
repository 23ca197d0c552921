#include "FileTransferService.h"
#include "Sha256.h"
#include "TestSupport.h"
#include "TransferErrors.h"
#include "TransferOutcome.h"
#include "TransferProtocol.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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

#include <array>
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
    void linksInTheFolderAreNeverFollowed_data();
    void linksInTheFolderAreNeverFollowed();
    void confirmationOutlivesTheReceiver();
    void declinedOfferEndsBothSides();
    void cancelOnEitherSide_data();
    void cancelOnEitherSide();
    void foreignConnectionsAreRefused_data();
    void foreignConnectionsAreRefused();
    void brokenTransferRemovesTheFile_data();
    void brokenTransferRemovesTheFile();
    void fullDiskIsToldAsSuch();
    void severalTransfersAtOnce();
    void unreadableFileIsRefusedAtOnce();
    void transfersNeverGoThroughAProxy();
    void offersOnlyFromAnnouncedChatUsers_data();
    void offersOnlyFromAnnouncedChatUsers();
    void answersGoToTheAnnouncedFilePort();
    void announcementsAreAnsweredSparingly_data();
    void announcementsAreAnsweredSparingly();
    void knownFilePortIsNotTakenOver();
    void acceptNamingAChatPortIsIgnored();
    void offersFromOneAddressAreLimited_data();
    void offersFromOneAddressAreLimited();
    void unansweredOfferIsSentAgain();
    void unansweredOfferExpiresOnBothSides();
    void expiringOfferSendsNothing();
    void idleConnectionsCannotHoldTheSlots();
    void silentSenderStallsThenFails();
    void silentReceiverFailsTheSender();
    void partialsOfAKilledCopyGoAtStart();
};

namespace
{

constexpr int WaitMs = 15000;
const QHostAddress Loopback(QHostAddress::LocalHost);

const QHostAddress Second(u"127.0.0.2"_s);

// The chat users every side lists, as "nick@address".
const QStringList ChatUsers{u"Ivan@127.0.0.1"_s, u"Olga@127.0.0.1"_s, u"Mallory@127.0.0.1"_s,
                            u"Mo@127.0.0.1"_s, u"Ivan@127.0.0.2"_s};

// One copy: the service on a free loopback port and a folder of its own; its chat lists
// `users`.
struct Side {
    explicit Side(const QString &nick, QList<quint16> chatPorts = {555, 556, 557})
    {
        TransferOptions options;
        options.port = 0;
        options.nick = nick;
        options.isChatUser = [this](const QHostAddress &address, const QString &user) {
            return users.contains(user + u'@' + QHostAddress(address.toIPv4Address()).toString());
        };
        options.chatPorts = std::move(chatPorts);
        options.partialJournal = journal();
        service.start(options);
    }
    QStringList users = ChatUsers;
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

// Two copies that heard each other's announcement, as chat users do before any offer.
void Introduce(Side &a, Side &b)
{
    a.service.announceTo(Loopback, b.service.port());
    b.service.announceTo(Loopback, a.service.port());
    QTRY_COMPARE_WITH_TIMEOUT(b.service.peerPort(Loopback), a.service.port(), WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(a.service.peerPort(Loopback), b.service.port(), WaitMs);
}

// The next answer to an offer that `udp` receives (announcements skipped), once it is there.
std::optional<TransferDatagram> NextAnswer(QUdpSocket &udp, int waitMs = WaitMs)
{
    for (;;) {
        if (!udp.hasPendingDatagrams() && !udp.waitForReadyRead(waitMs))
            return std::nullopt;
        const auto datagram = ParseDatagram(udp.receiveDatagram().data());
        if (datagram && datagram->kind != DatagramKind::Announce)
            return datagram;
    }
}

// A sender made by hand: its announcement and offer from a UDP socket, its data over a raw
// TCP connection.
struct HandSender {
    QUdpSocket udp;
    QString token = NewToken();
    QString nick = u"Mallory"_s;

    explicit HandSender(const QHostAddress &from = Loopback) { udp.bind(from, 0); }
    void send(const TransferDatagram &datagram, quint16 port)
    {
        udp.writeDatagram(BuildDatagram(datagram), Loopback, port);
    }
    // Announces the hand sender's file port (its UDP socket's) to the copy at `port`.
    void announce(quint16 port)
    {
        send({DatagramKind::Announce, udp.localPort(), nick, {}, {}}, port);
    }
    void offer(quint16 port, const QList<OfferedFile> &files, bool announced = true)
    {
        if (announced)
            announce(port);
        send({DatagramKind::Offer, 0, nick, token, files}, port);
    }
    void cancel(quint16 port) { send({DatagramKind::Cancel, 0, {}, token, {}}, port); }
    std::optional<TransferDatagram> answer(int waitMs = WaitMs) { return NextAnswer(udp, waitMs); }
};

// The hand sender offers `files` and the copy accepts them into its folder: the data port the
// copy names, or 0 when it does not answer so.
quint16 OfferAccepted(Side &side, HandSender &sender, const QList<OfferedFile> &files)
{
    sender.offer(side.service.port(), files);
    if (!QTest::qWaitFor([&side] { return !side.offers.isEmpty(); }, WaitMs))
        return 0;
    side.service.accept(sender.token, side.dir.path());
    const auto accepted = sender.answer();
    return accepted && accepted->kind == DatagramKind::Accept ? accepted->port : 0;
}

// The copy handles datagrams in order: once an offer sent after others is shown, those others
// were handled. The offer comes from a listed user at another address.
void Flush(Side &side)
{
    HandSender sentinel(Second);
    sentinel.nick = u"Ivan"_s;
    sentinel.offer(side.service.port(), {{u"sentinel.txt"_s, 1}});
    QTRY_VERIFY_WITH_TIMEOUT(!side.offers.isEmpty() && side.lastOfferToken() == sentinel.token,
                             WaitMs);
}

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
    Introduce(ivan, olga);
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

void TestTransferService::linksInTheFolderAreNeverFollowed_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("targetExists");
    QTest::newRow("A dangling link named like the file") << u"notes.txt"_s << false;
    QTest::newRow("A link to a file outside, named like the file") << u"notes.txt"_s << true;
    QTest::newRow("A dangling link named like the partial") << u"notes.txt.part"_s << false;
    QTest::newRow("A link to a file outside, named like the partial")
        << u"notes.txt.part"_s << true;
}

// A link already in the folder is in the way like any file: the file arrives under another
// name inside, and nothing is written where the link points.
void TestTransferService::linksInTheFolderAreNeverFollowed()
{
    QFETCH(QString, link);
    QFETCH(bool, targetExists);
    Side ivan(u"Ivan"_s), olga(u"Olga"_s);
    Introduce(ivan, olga);
    QTemporaryDir outside;
    const QString target = outside.filePath(u"elsewhere.txt"_s);
    if (targetExists)
        WriteFile(target, "untouched");
    QVERIFY(QFile::link(target, olga.path(link)));
    const QByteArray content = "the notes";
    const QString token = ivan.service.offerFiles(Loopback, olga.service.port(),
                                                  {WriteFile(ivan.path(u"notes.txt"_s), content)});
    QTRY_COMPARE_WITH_TIMEOUT(olga.offers.count(), 1, WaitMs);
    olga.service.accept(token, olga.dir.path());
    QTRY_COMPARE_WITH_TIMEOUT(olga.ends.count(), 1, WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(ivan.ends.count(), 1, WaitMs);
    QCOMPARE(olga.outcome(), Outcome::Done);

    QCOMPARE(olga.files.at(0).at(2).toString(), u"notes (1).txt"_s);
    QCOMPARE(ReadAll(olga.path(u"notes (1).txt"_s)), content);
    QCOMPARE(QFileInfo(olga.path(link)).symLinkTarget(), target);
    QCOMPARE(QDir(outside.path()).entryList(QDir::Files | QDir::Hidden),
             targetExists ? QStringList{u"elsewhere.txt"_s} : QStringList());
    if (targetExists)
        QCOMPARE(ReadAll(target), QByteArray("untouched"));
    const QStringList all =
        QDir(olga.dir.path())
            .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(QSet<QString>(all.cbegin(), all.cend()), (QSet<QString>{link, u"notes (1).txt"_s}));
}

void TestTransferService::confirmationOutlivesTheReceiver()
{
    // A receiver that ends right after the last file (a script's peer) still confirms it.
    Side ivan(u"Ivan"_s);
    auto olga = std::make_unique<Side>(u"Olga"_s);
    Introduce(ivan, *olga);
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
    Introduce(ivan, olga);
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
    Introduce(ivan, olga);
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
    const quint16 dataPort = OfferAccepted(olga, sender, {{u"a.txt"_s, 10}});
    QVERIFY(dataPort != 0);
    QTcpSocket socket;
    QVERIFY(Connect(socket, dataPort));
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

// A disk that fills up in the middle of a write takes part of it without an error; the rest
// must still be told as a full disk on both sides, and the partial removed.
void TestTransferService::fullDiskIsToldAsSuch()
{
    testsupport::SmallDisk disk("1536k");
    if (!disk.mounted())
        QSKIP("mounting a small tmpfs needs root");
    Side ivan(u"Ivan"_s), olga(u"Olga"_s);
    Introduce(ivan, olga);
    const QString path = WriteFile(ivan.path(u"big.bin"_s), RandomBytes(3 * 1024 * 1024));
    const QString token = ivan.service.offerFiles(Loopback, olga.service.port(), {path});
    QTRY_COMPARE_WITH_TIMEOUT(olga.offers.count(), 1, WaitMs);
    olga.service.accept(token, disk.path());
    QTRY_COMPARE_WITH_TIMEOUT(olga.ends.count(), 1, WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(ivan.ends.count(), 1, WaitMs);
    QCOMPARE(olga.end().failure, Failure::DiskFull);
    QCOMPARE(ivan.end().failure, Failure::DiskFull);
    QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestTransferService::severalTransfersAtOnce()
{
    Side ivan(u"Ivan"_s), olga(u"Olga"_s);
    Introduce(ivan, olga);
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
    Introduce(ivan, olga);
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

void TestTransferService::offersOnlyFromAnnouncedChatUsers_data()
{
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("offerNick");
    QTest::addColumn<bool>("announced");
    QTest::newRow("An offer from an address the chat does not list")
        << QStringList{u"Ivan@127.0.0.2"_s} << u"Mallory"_s << true;
    QTest::newRow("An offer from a listed address under a nick not listed there")
        << ChatUsers << u"Sender"_s << true;
    QTest::newRow("An offer under a listed nick other than the one its copy announced")
        << ChatUsers << u"Olga"_s << true;
    QTest::newRow("An offer from a listed user whose copy never announced a file port")
        << ChatUsers << u"Mallory"_s << false;
}

void TestTransferService::offersOnlyFromAnnouncedChatUsers()
{
    QFETCH(QStringList, listed);
    QFETCH(QString, offerNick);
    QFETCH(bool, announced);
    Side olga(u"Olga"_s);
    olga.users = listed;
    HandSender sender;
    if (announced)
        sender.announce(olga.service.port());
    sender.nick = offerNick;
    sender.offer(olga.service.port(), {{u"a.txt"_s, 1}}, false);
    Flush(olga);
    QCOMPARE(olga.offers.count(), 1); // the flushing offer only
    QCOMPARE(olga.service.activeCount(), 1);
    QCOMPARE(sender.answer(0), std::nullopt);
}

void TestTransferService::answersGoToTheAnnouncedFilePort()
{
    Side olga(u"Olga"_s);
    HandSender sender;
    QUdpSocket filePort;
    QVERIFY(filePort.bind(Loopback, 0));
    filePort.writeDatagram(
        BuildDatagram({DatagramKind::Announce, filePort.localPort(), sender.nick, {}, {}}),
        Loopback, olga.service.port());
    QTRY_COMPARE_WITH_TIMEOUT(olga.service.peerPort(Loopback), filePort.localPort(), WaitMs);
    sender.offer(olga.service.port(), {{u"a.txt"_s, 1}}, false);
    QTRY_COMPARE_WITH_TIMEOUT(olga.offers.count(), 1, WaitMs);
    olga.service.accept(sender.token, olga.dir.path());
    const auto answer = NextAnswer(filePort);
    QVERIFY(answer && answer->kind == DatagramKind::Accept);
    QCOMPARE(sender.answer(0), std::nullopt);
}

void TestTransferService::announcementsAreAnsweredSparingly_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("nick");
    QTest::addColumn<int>("portNamed"); // added to the source port
    QTest::addColumn<bool>("chatPort"); // the source port is one of the chat's
    QTest::addColumn<int>("answers");
    QTest::addColumn<bool>("heard");
    QTest::newRow("A listed user's announcement, no shorter than the answer, is answered once")
        << u"127.0.0.1"_s << u"Mallory"_s << 0 << false << 1 << true;
    QTest::newRow("A shorter announcement is heard but not answered")
        << u"127.0.0.1"_s << u"Mo"_s << 0 << false << 0 << true;
    QTest::newRow("An address that takes no part in the chat is neither heard nor answered")
        << u"127.0.0.3"_s << u"Mallory"_s << 0 << false << 0 << false;
    QTest::newRow("A listed address under a nick not listed there is not answered")
        << u"127.0.0.1"_s << u"Stranger"_s << 0 << false << 0 << false;
    QTest::newRow("An announcement naming a port other than its source's is not answered")
        << u"127.0.0.1"_s << u"Mallory"_s << 1 << false << 0 << false;
    QTest::newRow("An announcement from one of the chat's ports is not answered")
        << u"127.0.0.1"_s << u"Mallory"_s << 0 << true << 0 << false;
}

void TestTransferService::announcementsAreAnsweredSparingly()
{
    QFETCH(QString, from);
    QFETCH(QString, nick);
    QFETCH(int, portNamed);
    QFETCH(bool, chatPort);
    QFETCH(int, answers);
    QFETCH(bool, heard);
    HandSender prober{QHostAddress(from)};
    prober.nick = nick;
    const quint16 source = prober.udp.localPort();
    Side olga(u"Olga"_s, chatPort ? QList<quint16>{source} : QList<quint16>{555, 556, 557});
    const QByteArray announcement =
        BuildDatagram({DatagramKind::Announce, quint16(source + portNamed), nick, {}, {}});
    for (int i = 0; i < 3; ++i)
        prober.udp.writeDatagram(announcement, Loopback, olga.service.port());
    Flush(olga);
    QCOMPARE(olga.service.peerPort(QHostAddress(from)), heard ? source : quint16(0));
    QList<QByteArray> got;
    while (prober.udp.hasPendingDatagrams())
        got.append(prober.udp.receiveDatagram().data());
    QCOMPARE(got.size(), answers);
    for (const QByteArray &answer : std::as_const(got))
        QVERIFY(answer.size() <= announcement.size());
}

void TestTransferService::knownFilePortIsNotTakenOver()
{
    Side olga(u"Olga"_s);
    HandSender real, forger;
    real.announce(olga.service.port());
    QTRY_COMPARE_WITH_TIMEOUT(olga.service.peerPort(Loopback), real.udp.localPort(), WaitMs);
    forger.announce(olga.service.port());
    Flush(olga);
    QCOMPARE(olga.service.peerPort(Loopback), real.udp.localPort());
    QVERIFY(!forger.udp.hasPendingDatagrams());
    // The offer of the copy first heard is answered at its port.
    real.offer(olga.service.port(), {{u"a.txt"_s, 1}}, false);
    QTRY_COMPARE_WITH_TIMEOUT(olga.offers.count(), 2, WaitMs);
    olga.service.decline(real.token);
    const auto answer = real.answer();
    QVERIFY(answer && answer->kind == DatagramKind::Decline);
}

void TestTransferService::acceptNamingAChatPortIsIgnored()
{
    QTcpServer chat, files;
    QVERIFY(chat.listen(Loopback, 0));
    QVERIFY(files.listen(Loopback, 0));
    Side ivan(u"Ivan"_s, {chat.serverPort()});
    HandSender olga;
    olga.nick = u"Olga"_s;
    olga.announce(ivan.service.port());
    QTRY_COMPARE_WITH_TIMEOUT(ivan.service.peerPort(Loopback), olga.udp.localPort(), WaitMs);
    const QString path = WriteFile(ivan.path(u"a.bin"_s), "abc");
    const QString token = ivan.service.offerFiles(Loopback, olga.udp.localPort(), {path});
    for (const quint16 port : {chat.serverPort(), files.serverPort()})
        olga.send({DatagramKind::Accept, port, {}, token, {}}, ivan.service.port());
    QTRY_VERIFY_WITH_TIMEOUT(files.hasPendingConnections(), WaitMs);
    QVERIFY(!chat.hasPendingConnections() && !chat.waitForNewConnection(100));
}

void TestTransferService::offersFromOneAddressAreLimited_data()
{
    QTest::addColumn<int>("offers");
    QTest::addColumn<bool>("withdrawn");
    QTest::newRow("A thousand offers, each withdrawn at once, give no more than the bucket")
        << 1000 << true;
    QTest::newRow("Offers left unanswered stop at the cap per address") << 20 << false;
}

void TestTransferService::offersFromOneAddressAreLimited()
{
    QFETCH(int, offers);
    QFETCH(bool, withdrawn);
    Side olga(u"Olga"_s);
    HandSender sender;
    sender.announce(olga.service.port());
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < offers; ++i) {
        sender.token = NewToken();
        sender.offer(olga.service.port(), {{u"a.txt"_s, 1}}, false);
        if (withdrawn)
            sender.cancel(olga.service.port());
        // Let the copy read, so that the system does not drop what this loop sends.
        if (i % 16 == 0)
            QCoreApplication::processEvents();
    }
    Flush(olga);
    const int taken = int(olga.offers.count()) - 1;
    const qint64 elapsed = clock.elapsed();
    qInfo("%d offers in %lld ms: %d taken", offers, elapsed, taken);
    if (withdrawn) {
        QVERIFY(taken >= 1);
        QVERIFY2(taken <= FileTransferService::OfferBurst +
                              elapsed / FileTransferService::OfferRefillMs + 1,
                 qPrintable(QString::number(taken)));
    } else {
        QCOMPARE(taken, FileTransferService::MaxOffersPerSender);
    }
    QCOMPARE(sender.answer(0), std::nullopt);
}

// An offer that reaches a copy before it has heard the sender's copy announce itself (one that
// just started, or a lost announcement) is dropped there; the offer goes again and is taken
// once.
void TestTransferService::unansweredOfferIsSentAgain()
{
    Side ivan(u"Ivan"_s), olga(u"Olga"_s);
    ivan.service.setOfferRepeat(100);
    const QString path = WriteFile(ivan.path(u"a.txt"_s), "abc");
    // Both datagrams go from Ivan's port to Olga's in order: the offer first, unknown to her.
    const QString token = ivan.service.offerFiles(Loopback, olga.service.port(), {path});
    ivan.service.announceTo(Loopback, olga.service.port());
    QTRY_COMPARE_WITH_TIMEOUT(olga.offers.count(), 1, WaitMs);
    QCOMPARE(olga.lastOfferToken(), token);
    QTest::qWait(100 + 200 + 400 + 800 + 300); // every repeat has come
    QCOMPARE(olga.offers.count(), 1);
    olga.service.accept(token, olga.dir.path());
    QTRY_COMPARE_WITH_TIMEOUT(ivan.ends.count(), 1, WaitMs);
    QCOMPARE(ivan.outcome(), Outcome::Done);
}

void TestTransferService::unansweredOfferExpiresOnBothSides()
{
    Side ivan(u"Ivan"_s), olga(u"Olga"_s);
    Introduce(ivan, olga);
    ivan.service.setOfferLifetime(300);
    olga.service.setOfferLifetime(300);
    const QString path = WriteFile(ivan.path(u"a.bin"_s), "abc");
    ivan.service.offerFiles(Loopback, olga.service.port(), {path});
    QTRY_COMPARE_WITH_TIMEOUT(olga.offers.count(), 1, WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(olga.ends.count(), 1, WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(ivan.ends.count(), 1, WaitMs);
    QCOMPARE(olga.outcome(), Outcome::Expired);
    QCOMPARE(olga.end().direction, Direction::Incoming);
    QCOMPARE(ivan.outcome(), Outcome::Expired);
    QCOMPARE(ivan.end().direction, Direction::Outgoing);
    QCOMPARE(ivan.end().waitedMs, 300);
    QCOMPARE(ivan.service.activeCount(), 0);
    QCOMPARE(olga.service.activeCount(), 0);
}

void TestTransferService::expiringOfferSendsNothing()
{
    Side olga(u"Olga"_s);
    olga.service.setOfferLifetime(200);
    HandSender sender;
    sender.offer(olga.service.port(), {{u"a.txt"_s, 1}});
    QTRY_COMPARE_WITH_TIMEOUT(olga.ends.count(), 1, WaitMs);
    QCOMPARE(olga.outcome(), Outcome::Expired);
    QCOMPARE(sender.answer(0), std::nullopt);
    // An answer that comes too late finds nothing.
    olga.service.accept(sender.token, olga.dir.path());
    QCOMPARE(sender.answer(0), std::nullopt);
}

void TestTransferService::idleConnectionsCannotHoldTheSlots()
{
    Side olga(u"Olga"_s);
    HandSender sender;
    const QByteArray content = "the real content";
    const quint16 dataPort = OfferAccepted(olga, sender, {{u"a.txt"_s, content.size()}});
    QVERIFY(dataPort != 0);

    // An address with no accepted offer is closed at once, not after the hello wait.
    olga.service.setHelloWait(10 * WaitMs);
    QTcpSocket foreign;
    QVERIFY(Connect(foreign, olga.service.port(), Second));
    QTRY_COMPARE_WITH_TIMEOUT(foreign.state(), QAbstractSocket::UnconnectedState, WaitMs);

    // The sender's own address holds a few idle connections, each for the hello wait.
    olga.service.setHelloWait(3000);
    std::array<QTcpSocket, FileTransferService::MaxWaitingPerAddress + 1> idle;
    for (QTcpSocket &socket : idle)
        QVERIFY(Connect(socket, olga.service.port()));
    QTRY_COMPARE_WITH_TIMEOUT(idle.back().state(), QAbstractSocket::UnconnectedState, WaitMs);
    for (int i = 0; i < FileTransferService::MaxWaitingPerAddress; ++i)
        QCOMPARE(idle[i].state(), QAbstractSocket::ConnectedState);
    for (int i = 0; i < FileTransferService::MaxWaitingPerAddress; ++i)
        QTRY_COMPARE_WITH_TIMEOUT(idle[i].state(), QAbstractSocket::UnconnectedState, WaitMs);

    QTcpSocket genuine;
    QVERIFY(Connect(genuine, dataPort));
    genuine.write(Frame(FrameType::Token, sender.token.toLatin1()) +
                  Frame(FrameType::Data, content) + Frame(FrameType::Digest, Sha(content)));
    QTRY_COMPARE_WITH_TIMEOUT(olga.ends.count(), 1, WaitMs);
    QCOMPARE(olga.outcome(), Outcome::Done);
    QCOMPARE(ReadAll(olga.path(u"a.txt"_s)), content);
}

// A sender that stops after the token and a few bytes: the receiver shows the stall, clears it
// when bytes come again, and after the longer silence fails, removes the partial and tells
// the sender.
void TestTransferService::silentSenderStallsThenFails()
{
    Side olga(u"Olga"_s);
    olga.service.setStallTimes(300, 1500);
    HandSender sender;
    const quint16 dataPort = OfferAccepted(olga, sender, {{u"a.txt"_s, 10}});
    QVERIFY(dataPort != 0);
    QTcpSocket socket;
    QVERIFY(Connect(socket, dataPort));
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
    QVERIFY(!QFileInfo::exists(olga.journal()));
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
    TransferOptions options;
    options.port = 0;
    options.nick = u"Olga"_s;
    options.partialJournal = journal;
    service.start(options);
    QVERIFY(!QFile::exists(partial));
    QCOMPARE(ReadAll(kept), QByteArray("whole"));
    QVERIFY(!QFileInfo::exists(journal));
}

PALAVRIX_TEST_GUILESS_MAIN(TestTransferService)
#include "tst_TransferService.moc"
