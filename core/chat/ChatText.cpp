#include "ChatText.h"

#include "Cp1251.h"

namespace
{

QString prefix(bool notice, const LineSettings &s, const QString &time, const QString &address)
{
    if (notice || (s.showTime && !s.showAddress))
        return u'[' + time + QStringLiteral("] ");
    if (s.showAddress && !s.showTime)
        return u'[' + address + QStringLiteral("] ");
    if (s.showAddress && s.showTime)
        return u'[' + time + QStringLiteral("] - [") + address + QStringLiteral("] ");
    return {};
}

} // namespace

QString PublicLine(const QString &payload, bool notice, const LineSettings &settings,
                   const QString &time, const QString &address)
{
    return prefix(notice, settings, time, address) + payload;
}

QString PrivateHeader(const QString &from, const QString &to, bool notice,
                      const LineSettings &settings, const QString &time, const QString &address)
{
    return prefix(notice, settings, time, address) + from + QStringLiteral(" --> ") + to + u':';
}

QString PublicText(const QString &payload)
{
    const QString arrow = QStringLiteral(" -->");
    const qsizetype at = payload.indexOf(arrow);
    return at < 0 ? QString() : payload.mid(at + arrow.size());
}

bool NamesNick(const QString &text, const QString &nick)
{
    if (nick.trimmed().isEmpty())
        return false;
    const auto wordChar = [&text](qsizetype i) {
        return i >= 0 && i < text.size() && (text[i].isLetterOrNumber() || text[i] == u'_');
    };
    for (qsizetype at = text.indexOf(nick, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(nick, at + 1, Qt::CaseInsensitive)) {
        if (!wordChar(at - 1) && !wordChar(at + nick.size()))
            return true;
    }
    return false;
}

QString OutgoingText(const QString &typed, qsizetype limit)
{
    QString text = typed;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\n', QStringLiteral("\r\n"));
    text = cp1251::representable(text);
    if (text.size() > limit)
        text.truncate(limit);
    return text;
}

QString InputBoxText(const QString &outgoing)
{
    QString text = outgoing;
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
