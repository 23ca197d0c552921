#include "NickRules.h"

#include "ChatText.h"
#include "Cp1251.h"
#include "Datagram.h"
#include "HistoryRecord.h"
#include "UserTable.h"

namespace
{

constexpr qsizetype MaxFileNameBytes = 255;

// The nick survives every message that carries it: peers read it back whole, and the text
// after it stays the text.
bool readBackWhole(const QString &nick)
{
    const QString body = QStringLiteral("text");
    const PrivatePayload asSender = SplitPrivatePayload(
        SplitDatagram(PrivateMessage(0, nick, QStringLiteral("Olga"), body)).Payload);
    const PrivatePayload asRecipient = SplitPrivatePayload(
        SplitDatagram(PrivateMessage(0, QStringLiteral("Olga"), nick, body)).Payload);
    UserTable table;
    table.Announce(nick, 0, QStringLiteral("10.0.0.1"));
    const Recipient item = SplitRecipientItem(RecipientItems(table, QString()).value(0));
    return asSender.SenderNick == nick && asSender.Body == body && asRecipient.Body == body &&
           item.Nick == nick && item.IP == QStringLiteral("10.0.0.1") &&
           PublicSenderNick(SplitDatagram(PublicMessage(0, nick, body)).Payload) == nick;
}

bool breaksMessages(const QString &nick)
{
    for (const char *separator : {" - ", ": ", " -->", "\r", "\n"})
        if (nick.contains(QLatin1String(separator)))
            return true;
    return !readBackWhole(nick);
}

bool fits(const QString &nick)
{
    const QString longest = PublicMessage(-1, nick, QString(MaxMessageChars, u'x'));
    return HistoryFileName(nick).size() <= MaxFileNameBytes &&
           cp1251::encode(longest).size() <= MaxDatagramBytes;
}

} // namespace

qsizetype LongestFittingNick(const QString &nick)
{
    qsizetype low = 0, high = nick.size();
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (fits(nick.left(middle)))
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

QString UnsendableNickChars(const QString &nick)
{
    QString chars;
    for (qsizetype i = 0; i < nick.size(); ++i) {
        const qsizetype size = nick.at(i).isHighSurrogate() && i + 1 < nick.size() ? 2 : 1;
        const QString c = nick.mid(i, size);
        if (cp1251::representable(c) != c && !chars.contains(c))
            chars += c;
        i += size - 1;
    }
    return chars;
}

NickFault CheckNick(const QString &nick)
{
    if (nick.isEmpty())
        return NickFault::None;
    if (breaksMessages(nick))
        return NickFault::BreaksMessages;
    if (cp1251::representable(nick) != nick)
        return NickFault::NotInCodePage;
    if (!fits(nick))
        return NickFault::TooLong;
    return NickFault::None;
}
