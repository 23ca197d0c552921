#include "SafeFileName.h"

#include <QStringList>
#include <QTextBoundaryFinder>

using namespace Qt::StringLiterals;

namespace transfer
{

namespace
{

// A longer "extension" is no extension: it is cut like the rest of the name.
constexpr int MaxExtensionBytes = 32;
// Past this many copies of one name the last candidate is given, which exclusive creation
// then refuses, rather than searching on.
constexpr int MaxCopyNumber = 100000;

bool Refused(char32_t u)
{
    switch (QChar::category(u)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return u < 0x80 && QByteArrayView("<>:\"|?*").contains(char(u));
    }
}

// Drops what Refused() names, and surrogates that are not a pair.
QString WithoutRefused(QStringView name)
{
    QString kept;
    kept.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            if (!Refused(QChar::surrogateToUcs4(c, name[i + 1])))
                kept.append(name.sliced(i, 2));
            ++i;
        } else if (!c.isSurrogate() && !Refused(c.unicode())) {
            kept.append(c);
        }
    }
    return kept;
}

// ".bashrc" is hidden; "..", "...x" and "." are not.
bool IsHidden(QStringView name)
{
    return name.size() >= 2 && name[0] == u'.' && name[1] != u'.';
}

// Without blanks at either end, trailing dots and leading dots; one leading dot back when
// the name is to stay hidden.
QString WithoutEdges(QString name, bool hidden)
{
    for (QString before; name != before;) {
        before = name;
        name = name.trimmed();
        while (name.endsWith(u'.'))
            name.chop(1);
        while (name.startsWith(u'.'))
            name.remove(0, 1);
    }
    if (hidden && !name.isEmpty())
        name.prepend(u'.');
    return name;
}

bool IsDeviceName(const QString &name)
{
    static const QStringList Devices = {u"CON"_s, u"PRN"_s, u"AUX"_s, u"NUL"_s};
    const QString stem = name.section(u'.', 0, 0).trimmed().toUpper();
    if (Devices.contains(stem))
        return true;
    return stem.size() == 4 && (stem.startsWith("COM"_L1) || stem.startsWith("LPT"_L1)) &&
           stem[3] >= u'1' && stem[3] <= u'9';
}

// Splits at the last "." that is not the first character: ("report", ".pdf").
std::pair<QString, QString> StemAndExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0)
        return {name, QString()};
    return {name.left(dot), name.mid(dot)};
}

// How many UTF-16 units of `text` fit in `maxBytes`, cut only at the boundaries next() gives
// in turn (-1 at the end), and never between the halves of a surrogate pair.
template <typename NextBoundary>
qsizetype FittingPrefix(QStringView text, int maxBytes, NextBoundary next)
{
    qsizetype fit = 0;
    int bytes = 0;
    for (qsizetype end = next(); end > fit && end <= text.size(); end = next()) {
        if (end < text.size() && text[end].isLowSurrogate() && text[end - 1].isHighSurrogate())
            continue;
        bytes += NameBytes(text.sliced(fit, end - fit));
        if (bytes > maxBytes)
            break;
        fit = end;
    }
    return fit;
}

// The longest start of `text` within maxBytes, cut between whole characters as they are seen
// (a letter with its accents, an emoji with its modifiers), or between code points when the
// first such character alone is too long.
QString CutToBytes(const QString &text, int maxBytes)
{
    if (NameBytes(text) <= maxBytes)
        return text;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype fit =
        FittingPrefix(text, maxBytes, [&graphemes] { return graphemes.toNextBoundary(); });
    if (fit == 0) {
        fit = FittingPrefix(text, maxBytes, [&text, at = qsizetype(0)]() mutable {
            if (at >= text.size())
                return qsizetype(-1);
            return at += text[at].isHighSurrogate() ? 2 : 1;
        });
    }
    return text.left(fit);
}

QString Shortened(const QString &name)
{
    if (NameBytes(name) <= SafeNameMaxBytes)
        return name;
    auto [stem, extension] = StemAndExtension(name);
    if (NameBytes(extension) > MaxExtensionBytes) {
        stem = name;
        extension.clear();
    }
    return CutToBytes(stem, SafeNameMaxBytes - NameBytes(extension)) + extension;
}

QString Numbered(const QString &stem, const QString &extension, int n)
{
    const QString suffix = u" ("_s + QString::number(n) + u')' + extension;
    const int room = NameMaxBytes - NameBytes(PartSuffix) - NameBytes(suffix);
    return CutToBytes(stem, qMax(room, 0)) + suffix;
}

} // namespace

// UTF-8, as QFile::encodeName gives it here, counted without converting; a surrogate without
// its pair counts as the three bytes of a replacement character.
int NameBytes(QStringView name)
{
    int bytes = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t u = name[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            bytes += 4;
            ++i;
        } else {
            bytes += u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
        }
    }
    return bytes;
}

QString SafeFileName(const QString &offered)
{
    QString last = offered;
    last.replace(u'\\', u'/');
    last = last.section(u'/', -1);
    QString name = WithoutEdges(WithoutRefused(last), IsHidden(last));
    if (IsDeviceName(name))
        name.prepend(u'_');
    name = Shortened(name);
    while (!name.isEmpty() && (name.back().isSpace() || name.back() == u'.'))
        name.chop(1);
    return name.isEmpty() || name == u"."_s ? u"file"_s : name;
}

QString UniqueFileName(const QString &name, const std::function<bool(const QString &)> &taken)
{
    if (!taken(name))
        return name;
    const auto [stem, extension] = StemAndExtension(name);
    QString candidate;
    for (int n = 1; n <= MaxCopyNumber; ++n) {
        candidate = Numbered(stem, extension, n);
        if (!taken(candidate))
            break;
    }
    return candidate;
}

} // namespace transfer
