// One side of a measured file transfer, on the file transfer core alone:
//   transfer_bench_peer receive PORT FOLDER      takes the first offer into FOLDER
//   transfer_bench_peer send PORT ADDRESS FILE   offers FILE to ADDRESS:PORT
// Prints "ready" once listening and "end <outcome> <text>" at the end; exit code 0 when the
// transfer was done.

#include "FileTransferService.h"
#include "TransferErrors.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QTextStream>

using namespace Qt::StringLiterals;
using namespace transfer;

namespace
{

void Say(const QString &line)
{
    QTextStream(stdout) << line << Qt::endl;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool receive = args.size() == 3 && args[0] == "receive"_L1;
    const bool send = args.size() == 4 && args[0] == "send"_L1;
    if (!receive && !send) {
        Say(u"usage: transfer_bench_peer receive PORT FOLDER | send PORT ADDRESS FILE"_s);
        return 2;
    }
    const quint16 port = args[1].toUShort();
    FileTransferService service;
    int exitCode = 1;
    QObject::connect(
        &service, &FileTransferService::finished, &app,
        [&](const QString &, const TransferEnd &end) {
            Say(u"end %1 %2 %3"_s.arg(int(end.outcome)).arg(int(end.failure)).arg(end.fileName));
            exitCode = end.outcome == Outcome::Done ? 0 : 1;
            app.quit();
        });
    try {
        if (receive) {
            // The sender is the only other copy here: it counts as a chat user.
            TransferOptions options;
            options.port = port;
            options.nick = u"receiver"_s;
            options.isChatUser = [](const QHostAddress &, const QString &) { return true; };
            service.start(options);
            QObject::connect(
                &service, &FileTransferService::offerReceived, &app,
                [&](const IncomingOffer &offer) { service.accept(offer.token, args[2]); });
            Say(u"ready"_s);
        } else {
            TransferOptions options;
            options.port = port;
            options.nick = u"sender"_s;
            service.start(options);
            // The receiver takes offers only from a copy that announced itself.
            service.announceTo(QHostAddress(args[2]), port);
            service.offerFiles(QHostAddress(args[2]), port, {args[3]});
        }
    } catch (const AppError &error) {
        Say(u"end error "_s + error.message());
        return 1;
    }
    app.exec();
    // The peak resident memory of this program alone (VmHWM: the fork before exec is not in it).
    QFile status(u"/proc/self/status"_s);
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                Say(u"peak "_s + QString::fromLatin1(line.mid(6).trimmed().split(' ').at(0)));
        }
    }
    return exitCode;
}
