#include "PeerConsole.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace
{

// "555,556,557": the public, system and private ports.
bool parsePorts(const QString &text, ChatPorts &ports)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 3)
        return false;
    int *fields[3] = {&ports.Public, &ports.System, &ports.Private};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        *fields[i] = parts[i].trimmed().toInt(&ok);
        if (!ok || *fields[i] < 1 || *fields[i] > 65535)
            return false;
    }
    return true;
}

int fail(const QString &text)
{
    std::fprintf(stderr, "palavrix-peer: %s\n", text.toLocal8Bit().constData());
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("palavrix-peer"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A chat peer without a window: standard input lines go out as public messages, "
        "\"/msg NICK text\" as private ones, \"/users\" lists the users heard, "
        "\"/send NICK PATH\" offers a file, \"/cancel\" cancels the transfers; what arrives "
        "is printed one line each."));
    parser.addHelpOption();
    const QCommandLineOption nick(QStringLiteral("nick"), QStringLiteral("The nick to join with."),
                                  QStringLiteral("NAME"));
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("This host's address (default: found)."),
                                     QStringLiteral("A"));
    const QCommandLineOption broadcast(
        QStringLiteral("broadcast"),
        QStringLiteral("The broadcast address (default: from the own address)."),
        QStringLiteral("B"));
    const QCommandLineOption ports(QStringLiteral("ports"),
                                   QStringLiteral("Public, system and private port."),
                                   QStringLiteral("P,S,Q"), QStringLiteral("555,556,557"));
    const QCommandLineOption history(
        QStringLiteral("history"),
        QStringLiteral("Keep the private history in FOLDER (it must hold tmp.dat)."),
        QStringLiteral("FOLDER"));
    const QCommandLineOption showTime(QStringLiteral("show-time"),
                                      QStringLiteral("Prefix lines with their time."));
    const QCommandLineOption showAddress(QStringLiteral("show-address"),
                                         QStringLiteral("Prefix lines with the sender's address."));
    const QCommandLineOption color(QStringLiteral("color"),
                                   QStringLiteral("The colour number of the own lines, 0 to 19."),
                                   QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption acceptFiles(
        QStringLiteral("accept-files"),
        QStringLiteral("Take the files offered to this peer into FOLDER (else decline them)."),
        QStringLiteral("FOLDER"));
    const QCommandLineOption filePort(
        QStringLiteral("file-port"),
        QStringLiteral("The port for files (UDP and TCP); 0 switches file transfer off."),
        QStringLiteral("N"), QString::number(transfer::DefaultFilePort));
    parser.addOptions({nick, address, broadcast, ports, history, showTime, showAddress, color,
                       acceptFiles, filePort});
    parser.process(app);

    PeerOptions options;
    options.Nick = parser.value(nick);
    if (options.Nick.isEmpty())
        return fail(QStringLiteral("--nick is required"));
    options.Address = parser.value(address);
    options.Broadcast = parser.value(broadcast);
    if (!parsePorts(parser.value(ports), options.Ports))
        return fail(QStringLiteral("--ports takes three port numbers, such as 555,556,557"));
    options.HistoryDir = parser.value(history);
    options.Settings.Lines = {parser.isSet(showTime), parser.isSet(showAddress)};
    bool ok = false;
    options.Settings.FontColorIndex = parser.value(color).toInt(&ok);
    if (!ok || options.Settings.FontColorIndex < 0 || options.Settings.FontColorIndex > 19)
        return fail(QStringLiteral("--color takes a number from 0 to 19"));
    options.Settings.NoticeColorIndex = 19;
    options.AcceptFilesDir = parser.value(acceptFiles);
    const uint port = parser.value(filePort).toUInt(&ok);
    if (!ok || port > 65535)
        return fail(QStringLiteral("--file-port takes a port number, or 0 for no file transfer"));
    options.FilePort = quint16(port);

    PeerConsole peer(options);
    if (!peer.Start())
        return 1;
    return app.exec();
}
