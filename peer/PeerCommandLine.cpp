#include "PeerCommandLine.h"

#include "AppPaths.h"
#include "PeerTexts.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

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

struct Options {
    QCommandLineOption nick{
        u"nick"_s, QCoreApplication::translate("PeerCommandLine", "Ник, под которым войти в чат."),
        u"NAME"_s};
    QCommandLineOption address{
        u"address"_s,
        QCoreApplication::translate("PeerCommandLine",
                                    "Адрес этого компьютера (по умолчанию найденный)."),
        u"A"_s};
    QCommandLineOption broadcast{
        u"broadcast"_s,
        QCoreApplication::translate(
            "PeerCommandLine", "Широковещательный адрес (по умолчанию по собственному адресу)."),
        u"B"_s};
    QCommandLineOption ports{
        u"ports"_s,
        QCoreApplication::translate("PeerCommandLine", "Общий, системный и приватный порты."),
        u"P,S,Q"_s, u"555,556,557"_s};
    QCommandLineOption history{
        u"history"_s,
        QCoreApplication::translate(
            "PeerCommandLine",
            "Хранить приватную историю в папке FOLDER (в ней должен быть tmp.dat)."),
        u"FOLDER"_s};
    QCommandLineOption showTime{
        u"show-time"_s,
        QCoreApplication::translate("PeerCommandLine", "Начинать строки с их времени.")};
    QCommandLineOption showAddress{
        u"show-address"_s,
        QCoreApplication::translate("PeerCommandLine", "Начинать строки с адреса отправителя.")};
    QCommandLineOption color{
        u"color"_s,
        QCoreApplication::translate("PeerCommandLine", "Номер цвета своих строк, от 0 до 19."),
        u"N"_s, u"0"_s};
    QCommandLineOption acceptFiles{
        u"accept-files"_s,
        QCoreApplication::translate(
            "PeerCommandLine",
            "Принимать предложенные файлы в папку FOLDER (иначе отказываться от них); папка "
            "проверяется при запуске."),
        u"FOLDER"_s};
    QCommandLineOption filePort{
        u"file-port"_s,
        QCoreApplication::translate("PeerCommandLine",
                                    "Порт для файлов (UDP и TCP); 0 выключает передачу файлов."),
        u"N"_s, QString::number(transfer::DefaultFilePort)};
    QCommandLineOption sendOnly{
        u"send-only"_s,
        QCoreApplication::translate(
            "PeerCommandLine",
            "Не открывать ни одного порта: строки уходят в чат, но ничего не приходит (ни "
            "сообщений, ни списка пользователей, ни файлов). Так можно запустить второго участника "
            "на компьютере, где порты заняты или недоступны.")};
};

void describe(QCommandLineParser &parser, const Options &o)
{
    parser.setApplicationDescription(QCoreApplication::translate(
        "PeerCommandLine",
        "Участник чата без окна: строки стандартного ввода уходят общими сообщениями, "
        "\"/msg NICK текст\" - приватным, \"/users\" выводит услышанных пользователей, "
        "\"/send NICK PATH\" предлагает файл, \"/cancel\" отменяет передачи; всё пришедшее "
        "выводится по строке. Ошибки идут в стандартный поток ошибок. Коды выхода: 0 - "
        "выход по концу ввода или сигналу, 1 - сеть не может отправлять, 2 - ошибка в "
        "параметрах, 3 - порт нельзя открыть, 4 - папку для файлов нельзя использовать."));
    parser.addOptions({o.nick, o.address, o.broadcast, o.ports, o.history, o.showTime,
                       o.showAddress, o.color, o.acceptFiles, o.filePort, o.sendOnly});
}

// The values as options; empty when they are fine, else what is wrong.
QString readValues(const QCommandLineParser &parser, const Options &o, PeerOptions &options)
{
    options.Nick = parser.value(o.nick);
    if (options.Nick.isEmpty())
        return peertexts::NickRequired();
    options.Address = parser.value(o.address);
    options.Broadcast = parser.value(o.broadcast);
    if (!parsePorts(parser.value(o.ports), options.Ports))
        return peertexts::BadPorts();
    options.HistoryDir = parser.value(o.history);
    options.Settings.Lines = {parser.isSet(o.showTime), parser.isSet(o.showAddress)};
    bool ok = false;
    options.Settings.FontColorIndex = parser.value(o.color).toInt(&ok);
    if (!ok || options.Settings.FontColorIndex < 0 || options.Settings.FontColorIndex > 19)
        return peertexts::BadColor();
    options.Settings.NoticeColorIndex = 19;
    options.AcceptFilesDir = parser.value(o.acceptFiles);
    const uint port = parser.value(o.filePort).toUInt(&ok);
    if (!ok || port > 65535)
        return peertexts::BadFilePort();
    options.FilePort = quint16(port);
    options.SendOnly = parser.isSet(o.sendOnly);
    return {};
}

} // namespace

PeerCommandLine ParsePeerCommandLine(const QStringList &arguments)
{
    using Action = PeerCommandLine::Action;
    QCommandLineParser parser;
    const Options o;
    describe(parser, o);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    PeerCommandLine line;
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        line.text = unknown.isEmpty() ? parser.errorText() : peertexts::UnknownOption(unknown[0]);
        line.action = Action::Usage;
        return line;
    }
    if (parser.isSet(help)) {
        line.action = Action::Help;
        line.text = parser.helpText();
        return line;
    }
    if (parser.isSet(version)) {
        line.action = Action::Version;
        return line;
    }
    if (!parser.positionalArguments().isEmpty())
        line.text = peertexts::StrayArgument(parser.positionalArguments().constFirst());
    else
        line.text = readValues(parser, o, line.options);
    if (!line.text.isEmpty())
        line.action = Action::Usage;
    return line;
}

std::optional<FolderFault> CheckFolder(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return FolderFault::Missing;
    if (!info.isDir())
        return FolderFault::NotAFolder;
    if (apppaths::CreateFileError(path) != 0)
        return FolderFault::NotWritable;
    return std::nullopt;
}
