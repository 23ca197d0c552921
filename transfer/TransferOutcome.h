#pragma once

#include "TransferProtocol.h"

#include <QHostAddress>
#include <QList>
#include <QMetaType>
#include <QString>

namespace transfer
{

enum class Direction { Outgoing, Incoming };

// How a transfer ended, as both sides see it.
enum class Outcome {
    Done,
    Declined,        // the receiver said no to the offer
    Cancelled,       // the user on this side cancelled
    CancelledByPeer, // the other side cancelled or withdrew the offer
    Failed,          // the text says what went wrong and which file was removed
};

// An offer another copy made to this one; names are already made safe.
struct IncomingOffer {
    QString token;
    QHostAddress sender;
    QString nick;
    QList<OfferedFile> files;
    qint64 totalSize() const;
};

QString DoneText(Direction direction);
QString DeclinedText();
QString CancelledText();
QString CancelledByPeerText();
QString FailureText(FailureReason reason, const QString &fileName);
QString DroppedText(const QString &fileName);
// "Файл report.pdf (1,2 МБ) отправлен" / "получен": the line a finished file leaves.
QString FileLine(Direction direction, const QString &name, qint64 size);

} // namespace transfer

Q_DECLARE_METATYPE(transfer::IncomingOffer)
