#include "Cp1251.h"

#include <QHash>
#include <QStringDecoder>

#include <array>

namespace cp1251
{
namespace
{

struct Table {
    std::array<char16_t, 256> toUnicode{};
    QHash<char16_t, uchar> fromUnicode;

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
            fromUnicode.insert(c, uchar(i));
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
    const Table &t = table();
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i; // one character outside the basic plane: one replacement byte
        const auto it = t.fromUnicode.constFind(c.unicode());
        out.append(it == t.fromUnicode.cend() ? '?' : char(*it));
    }
    return out;
}

QString decode(const QByteArray &bytes)
{
    const Table &t = table();
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        d[i] = QChar(t.toUnicode[uchar(bytes.at(i))]);
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
