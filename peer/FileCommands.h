#pragma once

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace transfer
{
class FileTransferService;
} // namespace transfer

struct SendCommand {
    QString nick;
    QString path;
    bool operator==(const SendCommand &) const = default;
};

// "/send NICK PATH"; a nick with blanks goes in double quotes. Nothing for any other line;
// a "/send" line that lacks its nick or path gives an empty command.
std::optional<SendCommand> ParseSendCommand(const QString &line);

// The headless peer's file commands: "/send NICK PATH" offers a file to a listed user,
// "/cancel" cancels every transfer and offer; offers made to this peer are taken into a folder, or
// declined when it has none. Every event is told as one line; what cannot be done (a command
// refused, an offer that cannot be taken) is told through `complain`.
class FileCommands final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileCommands)
public:
    // The address a listed nick announced from; null when nobody by that nick is listed.
    using Resolve = std::function<QHostAddress(const QString &nick)>;
    using Print = std::function<void(const QString &line)>;

    FileCommands(transfer::FileTransferService &service, Resolve resolve, Print print,
                 Print complain, QString acceptFolder, QObject *parent = nullptr);

    // Whether the line is one of the file commands, well formed or not.
    static bool IsFileCommand(const QString &line);

    // True when the line was a file command (carried out or answered with what is wrong).
    bool handle(const QString &line);

Q_SIGNALS:
    // A file went to or came from `peerNick`: `line` is what the history keeps of it, the same
    // in every copy.
    void fileRecorded(const QString &peerNick, const QString &line, bool incoming);

private:
    void send(const SendCommand &command);

    transfer::FileTransferService &m_service;
    Resolve m_resolve;
    Print m_print;
    Print m_complain;
    QString m_acceptFolder;
    QHash<QString, QString> m_peerNick; // by transfer token
};
