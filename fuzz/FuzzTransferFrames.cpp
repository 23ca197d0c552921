// The receiver's frame reader, through a real service on the loopback interface: a sender made
// by hand, a chat user at an address of its own for each input (a copy takes only a few offers
// from one address), announces itself and offers two files, the service takes them into a folder
// where a dangling link waits under the first name, and the sender sends its token, then the input
// as the stream, and closes. Every input ends the transfer; then nothing was written outside the
// folder, the link is as it was, no partial is left, and a file that arrived has its offered size.
// The frame header parser alone is checked on the first bytes.

#include "FileTransferService.h"
#include "FuzzRequire.h"
#include "TransferOutcome.h"
#include "TransferProtocol.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QNetworkDatagram>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;
using namespace transfer;

namespace
{

const QHostAddress Loopback(QHostAddress::LocalHost);
const QList<OfferedFile> Files = {{u"notes.txt"_s, 16}, {u"more.bin"_s, 4}};
constexpr int EndWaitMs = 2000;

template <typename Done> bool Spin(Done done, int ms = EndWaitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents();
    }
    return true;
}

// The receiving copy, its folders and the sender's offer socket, made once.
struct Receiver {
    Receiver()
        : root(QDir(u"/dev/shm"_s).exists() ? u"/dev/shm/palavrix-fuzz-XXXXXX"_s
                                            : QDir::tempPath() + u"/palavrix-fuzz-XXXXXX"_s)
    {
        Require(root.isValid() && QDir(root.path()).mkdir(u"inbox"_s) &&
                    QDir(root.path()).mkdir(u"outside"_s),
                "the folders can be made");
        inbox = root.filePath(u"inbox"_s);
        outside = root.filePath(u"outside"_s);
        linkTarget = outside + u"/notes.txt"_s;
        Require(QFile::link(linkTarget, inbox + u"/notes.txt"_s), "the link can be made");
        TransferOptions options;
        options.port = 0;
        options.nick = u"Olga"_s;
        options.isChatUser = [](const QHostAddress &, const QString &) { return true; };
        service.start(options);
        QObject::connect(&service, &FileTransferService::offerReceived,
                         [this](const IncomingOffer &offer) { offered = offer.token; });
        QObject::connect(&service, &FileTransferService::finished,
                         [this](const QString &token) { ended = token; });
        QObject::connect(&service, &FileTransferService::fileTransferred,
                         [this](const QString &, Direction, const QString &name, qint64 size,
                                const QString &path) { arrived(name, size, path); });
    }

    void arrived(const QString &name, qint64 size, const QString &path)
    {
        const QFileInfo info(path);
        Require(info.absolutePath() == inbox && info.fileName() == name,
                "a file arrives in the folder");
        Require(!info.isSymLink() && info.isFile() && info.size() == size,
                "a file that arrived is a plain file of the offered size");
    }

    QTemporaryDir root;
    QString inbox;
    QString outside;
    QString linkTarget;
    FileTransferService service;
    QString offered;
    QString ended;
};

Receiver *receiver = nullptr;

// 127.2.0.1, 127.2.0.2, ...: every address of 127.0.0.0/8 is the loopback interface's.
QHostAddress NextSenderAddress()
{
    static quint32 n = 0;
    n = n % 0xFFFE + 1;
    return QHostAddress((127u << 24) | (2u << 16) | n);
}

QByteArray Frame(FrameType type, const QByteArray &payload)
{
    return BuildFrameHeader(type, quint32(payload.size())) + payload;
}

void CheckHeader(const QByteArray &bytes)
{
    const auto header = ParseFrameHeader(bytes.left(FrameHeaderSize));
    if (header)
        Require(BuildFrameHeader(header->type, header->length) == bytes.left(FrameHeaderSize),
                "a parsed frame header builds back to its bytes");
}

// What the stream left: files that arrived are taken away for the next input.
void CheckFolders()
{
    const auto all = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
    Require(QDir(receiver->outside).entryList(all).isEmpty(), "nothing is written outside");
    const QString link = receiver->inbox + u"/notes.txt"_s;
    Require(QFileInfo(link).symLinkTarget() == receiver->linkTarget, "the link is untouched");
    for (const QString &name : QDir(receiver->inbox).entryList(all)) {
        Require(!name.endsWith(u".part"_s), "no partial is left once the transfer ended");
        if (name != u"notes.txt"_s)
            Require(QFile::remove(receiver->inbox + u'/' + name), "a file that arrived goes");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    new QCoreApplication(*argc, *argv);
    receiver = new Receiver;
    // The folders go when the run ends.
    std::atexit([] { delete receiver; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray stream(reinterpret_cast<const char *>(data), qsizetype(size));
    CheckHeader(stream);

    const QHostAddress from = NextSenderAddress();
    QUdpSocket udp;
    Require(udp.bind(from, 0), "the sender's socket binds");
    const QString token = NewToken();
    const TransferDatagram announce{DatagramKind::Announce, udp.localPort(), u"Mallory"_s, {}, {}};
    const TransferDatagram offer{DatagramKind::Offer, 0, u"Mallory"_s, token, Files};
    udp.writeDatagram(BuildDatagram(announce), Loopback, receiver->service.port());
    udp.writeDatagram(BuildDatagram(offer), Loopback, receiver->service.port());
    Require(Spin([&token] { return receiver->offered == token; }), "the offer arrives");
    receiver->service.accept(token, receiver->inbox);

    QTcpSocket socket;
    Require(socket.bind(from, 0), "the sender's connection binds");
    socket.connectToHost(Loopback, receiver->service.port());
    Require(Spin([&socket] { return socket.state() == QAbstractSocket::ConnectedState; }),
            "the sender connects");
    socket.write(Frame(FrameType::Token, token.toLatin1()) + stream);
    socket.disconnectFromHost();
    Require(Spin([&token] { return receiver->ended == token; }),
            "the transfer ends once the sender closes");
    socket.abort();
    // What the transfer left to be deleted goes now, so each input frees what it took and
    // the leak check is not run after every one.
    for (int round = 0; round < 4; ++round) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    CheckFolders();
    return 0;
}
