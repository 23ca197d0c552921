#pragma once

#include "TransferFigures.h"
#include "TransferOutcome.h"

#include <QString>

class ETransferError;
class QHostAddress;

// What the windows and the headless peer say about file transfers, in the user's language.

// "512 байт", "1,2 КБ", "1,2 МБ", "3,4 ГБ"; the number as the default locale writes it.
QString FileSizeText(qint64 bytes);
// "1,2 МБ из 3,4 МБ, 1,2 МБ/с, осталось 0:02" and the like, for a progress line.
QString ProgressText(const transfer::TransferProgress &progress);
// "Файлы отправлены", "Передача отменена", "Соединение прервано: файл a.txt не доставлен", ...
QString TransferEndText(const transfer::TransferEnd &end);
// A transfer that stalled (no byte moved for a while), or moves again.
QString StalledText(bool stalled);
// Why a transfer could not be set up.
QString TransferErrorText(const ETransferError &error);
// "Файл report.pdf (1,2 МБ) отправлен" / "получен", as the conversation shows it.
QString FileLineText(transfer::Direction direction, const QString &name, qint64 size);
// "10.0.0.9": an address as the user list shows it, IPv4 without an IPv6 prefix.
QString AddressText(const QHostAddress &address);
// "Mallory (10.0.0.9)": who an offer comes from, the address beside the nick it gives, since
// any host can write any nick.
QString SenderText(const QString &nick, const QString &address);
