#include "Cp1251.h"

#include <array>

namespace cp1251
{
namespace
{

// The code page's characters above ASCII all lie below this code point (U+2122 is the last).
constexpr char16_t FromUnicodeEnd = 0x2200;

// Bytes 0x80 to 0xBF; 0xC0 to 0xFF are А to я in order. 0x98 has no character and passes
// as U+0098. Written out rather than asked of the system's converter, which would load the
// whole ICU converter machinery into every copy for 64 characters.
// clang-format off
constexpr std::array<char16_t, 64> UpperSpecials{
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};
// clang-format on
constexpr char16_t CapitalA = 0x0410;

// Both directions as flat tables: a text is converted with one look-up per character, since
// whole nick lists of several kilobytes per nick are converted at each user-list refresh.
struct Table {
    std::array<char16_t, 256> toUnicode{};
    // The byte of each character below FromUnicodeEnd; 0 where the code page has none (the
    // byte 0 itself is ASCII and never looked up here).
    std::array<uchar, FromUnicodeEnd> fromUnicode{};

    Table()
    {
        for (int i = 0; i < 256; ++i) {
            const char16_t c = i < 0x80   ? char16_t(i)
                               : i < 0xC0 ? UpperSpecials[size_t(i - 0x80)]
                                          : char16_t(CapitalA + (i - 0xC0));
            toUnicode[size_t(i)] = c;
            if (i >= 0x80)
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
