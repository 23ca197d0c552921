#include "Cp1251.h"

#include <QStringDecoder>

#include <array>

namespace cp1251
{
namespace
{

// The code page's characters above ASCII all lie below this code point (U+2122 is the last).
constexpr char16_t FromUnicodeEnd = 0x2200;

// Both directions as flat tables: a text is converted with one look-up per character, since
// whole nick lists of several kilobytes per nick are converted at each user-list refresh.
struct Table {
    std::array<char16_t, 256> toUnicode{};
    // The byte of each character below FromUnicodeEnd; 0 where the code page has none (the
    // byte 0 itself is ASCII and never looked up here).
    std::array<uchar, FromUnicodeEnd> fromUnicode{};

    Table()
    {
        QStringDecoder decoder("windows-1251");
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        const QString chars = decoder.decode(all);
        for (int i = 0; i < 256; ++i) {
            // Code points the code page leaves unassigned map to themselves.
            const char16_t c = i < chars.size() ? chars.at(i).unicode() : char16_t(i);
            toUnicode[size_t(i)] = c;
            if (i >= 0x80 && c < FromUnicodeEnd)
                fromUnicode[c] = uchar(i);
        }
    }
};

const Table &table()
{
    static const Table t;
    return t;
}

} // namespace

QByteArray encode(const QString &text)
{
    const uchar *above = table().fromUnicode.data();
    const auto *units = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype size = text.size();
    QByteArray out(size, Qt::Uninitialized);
    char *d = out.data();
    qsizetype n = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = units[i];
        if (c < 0x80) {
            d[n++] = char(c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(units[i + 1]))
            ++i; // one character outside the basic plane: one replacement byte
        const uchar b = c < FromUnicodeEnd ? above[c] : 0;
        d[n++] = b == 0 ? '?' : char(b);
    }
    out.truncate(n);
    return out;
}

QString decode(const QByteArray &bytes)
{
    const Table &t = table();
    const qsizetype size = bytes.size();
    const auto *b = reinterpret_cast<const uchar *>(bytes.constData());
    QString out(size, Qt::Uninitialized);
    auto *d = reinterpret_cast<char16_t *>(out.data());
    for (qsizetype i = 0; i < size; ++i)
        d[i] = t.toUnicode[b[i]];
    return out;
}

QString representable(const QString &text)
{
    return decode(encode(text));
}

int compare(const QString &a, const QString &b)
{
    const QByteArray x = encode(a);
    const QByteArray y = encode(b);
    const qsizetype n = std::min(x.size(), y.size());
    for (qsizetype i = 0; i < n; ++i) {
        const int d = int(uchar(x.at(i))) - int(uchar(y.at(i)));
        if (d != 0)
            return d;
    }
    return x.size() < y.size() ? -1 : (x.size() > y.size() ? 1 : 0);
}

QString toUpper(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        c = QChar(toUpper(c.unicode()));
    return out;
}

} // namespace cp1251
