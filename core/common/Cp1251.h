#pragma once

#include <QByteArray>
#include <QString>

// The one boundary between QString and the code page 1251 bytes of the wire and Chat.cfg.
namespace cp1251
{

// Each character becomes one byte; a character the code page cannot hold becomes '?'.
QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);
// The text as it reads after a trip through the code page: what is sent, shown and stored.
QString representable(const QString &text);
// Byte order of the encoded texts, unsigned; a prefix comes first. <0, 0 or >0.
int compare(const QString &a, const QString &b);
// Upper case by the code page's letter rules: every letter pair it holds, Latin and Cyrillic
// (Russian, Ukrainian, Belarusian, Serbian and Macedonian letters alike).
QString toUpper(const QString &text);
// The same for one UTF-16 unit; inline for the search's loop over every preview.
constexpr char16_t toUpper(char16_t c)
{
    if ((c >= u'a' && c <= u'z') || (c >= u'а' && c <= u'я'))
        return char16_t(c - 32);
    // ё ђ ѓ є ѕ і ї ј љ њ ћ ќ ў џ sit 0x50 above their capitals; ѝ is not in the code page.
    if (c >= u'ё' && c <= u'џ' && c != u'ѝ')
        return char16_t(c - 0x50);
    return c == u'ґ' ? u'Ґ' : c;
}

} // namespace cp1251
