#include "FileCommands.h"
#include "FileRecord.h"
#include "FileTransferService.h"
#include "TransferErrors.h"
#include "TransferTexts.h"

using namespace Qt::StringLiterals;
using namespace transfer;

std::optional<SendCommand> ParseSendCommand(const QString &line)
{
    if (line != "/send"_L1 && !line.startsWith("/send "_L1))
        return std::nullopt;
    const QString rest = line.mid(5).trimmed();
    SendCommand command;
    qsizetype pathStart = -1;
    if (rest.startsWith(u'"')) {
        const qsizetype close = rest.indexOf(u'"', 1);
        if (close > 1) {
            command.nick = rest.mid(1, close - 1);
            pathStart = close + 1;
        }
    } else if (const qsizetype blank = rest.indexOf(u' '); blank > 0) {
        command.nick = rest.left(blank);
        pathStart = blank + 1;
    }
    if (pathStart < 0)
        return SendCommand{};
    command.path = rest.mid(pathStart).trimmed();
    if (command.path.isEmpty())
        return SendCommand{};
    return command;
}

FileCommands::FileCommands(FileTransferService &service, Resolve resolve, Print print,
                           Print complain, QString acceptFolder, QObject *parent)
    : QObject(parent), m_service(service), m_resolve(std::move(resolve)), m_print(std::move(print)),
      m_complain(std::move(complain)), m_acceptFolder(std::move(acceptFolder))
{
    connect(&service, &FileTransferService::offerReceived, this, [this](const IncomingOffer &o) {
        QStringList names;
        for (const OfferedFile &file : o.files)
            names.append(file.name);
        m_print(tr("%1 предлагает файлы: %2 (%3)")
                    .arg(SenderText(o.nick, AddressText(o.sender)), names.join(u", "_s),
                         FileSizeText(o.totalSize())));
        m_peerNick.insert(o.token, o.nick);
        if (m_acceptFolder.isEmpty()) {
            m_service.decline(o.token);
            return;
        }
        try {
            m_service.accept(o.token, m_acceptFolder);
        } catch (const ETransferError &error) {
            m_complain(TransferErrorText(error));
            m_service.decline(o.token);
        }
    });
    connect(&service, &FileTransferService::fileTransferred, this,
            [this](const QString &token, Direction direction, const QString &name, qint64 size) {
                m_print(FileLineText(direction, name, size));
                Q_EMIT fileRecorded(m_peerNick.value(token), FileHistoryLine(direction, name, size),
                                    direction == Direction::Incoming);
            });
    connect(&service, &FileTransferService::stalled, this,
            [this](const QString &, bool stalled) { m_print(StalledText(stalled)); });
    connect(&service, &FileTransferService::finished, this,
            [this](const QString &token, const TransferEnd &end) {
                m_peerNick.remove(token);
                m_print(TransferEndText(end));
            });
}

bool FileCommands::IsFileCommand(const QString &line)
{
    return line == "/cancel"_L1 || ParseSendCommand(line).has_value();
}

bool FileCommands::handle(const QString &line)
{
    if (line == "/cancel"_L1) {
        if (m_service.activeCount() == 0)
            m_print(tr("Нет передач"));
        m_service.cancelAll();
        return true;
    }
    const auto command = ParseSendCommand(line);
    if (!command)
        return false;
    if (command->nick.isEmpty())
        m_complain(tr("Использование: /send NICK PATH"));
    else
        send(*command);
    return true;
}

void FileCommands::send(const SendCommand &command)
{
    const QHostAddress address = m_resolve(command.nick);
    if (address.isNull()) {
        m_complain(tr("Пользователь %1 не найден").arg(command.nick));
        return;
    }
    const quint16 port = m_service.peerPort(address);
    if (port == 0) {
        m_complain(tr("%1 не принимает файлы").arg(command.nick));
        return;
    }
    try {
        m_peerNick.insert(m_service.offerFiles(address, port, {command.path}), command.nick);
        m_print(tr("Файл %1 предложен: %2").arg(command.path, command.nick));
    } catch (const ETransferError &error) {
        m_complain(TransferErrorText(error));
    }
}
