#include "Datagram.h"

#include "Convert.h"
#include "Cp1251.h"

#include <utility>

namespace
{

// The words of the protocol: every copy sends and recognises exactly these, whatever the
// language of its windows, so they are never translated.
const QString Separator = QStringLiteral("@#@");
const QString PublicArrow = QStringLiteral(" -->");
const QString PrivateArrow = QStringLiteral(" --> ");
const QString BodySeparator = QStringLiteral(": ");
const QString EntryText = QStringLiteral(" в чат входит - ");
const QString EntryMark = QStringLiteral("в чат входит - ");
const QString LeaveText = QStringLiteral(" покидает чат...");
const QChar Quote = u'"';

QString frame(int colorIndex, const QString &payload)
{
    return Separator % QString::number(colorIndex) % Separator % payload;
}

} // namespace

QString PresenceAnnouncement(int colorIndex, const QString &nick)
{
    return frame(colorIndex, nick);
}

QString PublicMessage(int colorIndex, const QString &nick, const QString &text)
{
    return frame(colorIndex, nick % PublicArrow % text);
}

QString PrivateMessage(int colorIndex, const QString &nick, const QString &recipient,
                       const QString &text)
{
    return frame(colorIndex, nick % PrivateArrow % recipient % BodySeparator % text);
}

QString EntryNotice(const QString &nick)
{
    return frame(NoticeColorIndex, EntryText % Quote % nick % Quote % u"...");
}

QString LeaveNotice(const QString &nick)
{
    return frame(NoticeColorIndex, Quote % nick % Quote % LeaveText);
}

QString DatagramText(const QByteArray &data)
{
    return cp1251::decode(data);
}

DatagramParts SplitDatagram(const QString &text)
{
    const QString s = text.mid(3);
    const qsizetype separator = s.indexOf(Separator);
    if (separator < 0)
        return {QString(), s.mid(2)};
    return {s.left(separator), s.mid(separator + Separator.size())};
}

int ColorNumber(const DatagramParts &parts)
{
    return strToInt(parts.ColorField);
}

PrivatePayload SplitPrivatePayload(const QString &payload)
{
    const qsizetype arrow = payload.indexOf(PrivateArrow);
    const qsizetype colon = payload.indexOf(BodySeparator);
    return {arrow < 0 ? QString() : payload.left(arrow),
            colon < 0 ? payload.mid(1) : payload.mid(colon + BodySeparator.size())};
}

QString PublicSenderNick(const QString &payload)
{
    const QString entryStart = EntryText % Quote, entryEnd = Quote % u"...";
    const QString leaveStart = QString(Quote), leaveEnd = Quote % LeaveText;
    for (const auto &[start, end] : {std::pair{entryStart, entryEnd}, {leaveStart, leaveEnd}}) {
        if (payload.size() >= start.size() + end.size() && payload.startsWith(start) &&
            payload.endsWith(end))
            return payload.mid(start.size(), payload.size() - start.size() - end.size());
    }
    const qsizetype arrow = payload.indexOf(PublicArrow);
    return arrow < 0 ? QString() : payload.left(arrow);
}

bool IsSystemNotice(const QString &payload)
{
    return payload.contains(EntryMark) || payload.contains(LeaveText);
}

QString BroadcastAddress(const QString &ownIp)
{
    QString rest = ownIp;
    QString fields[3];
    for (QString &field : fields) {
        const qsizetype dot = rest.indexOf(u'.');
        field = dot < 0 ? QString() : rest.left(dot);
        rest.remove(0, dot + 1);
    }
    return fields[0] % u'.' % fields[1] % u'.' % fields[2] % u".255";
}
