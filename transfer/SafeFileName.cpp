#include "SafeFileName.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace transfer
{

namespace
{

constexpr int MaxNameLength = 200;

bool Refused(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029)
        return true;
    return QStringView(u"<>:\"|?*").contains(c);
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

QString Shortened(const QString &name)
{
    if (name.size() <= MaxNameLength)
        return name;
    auto [stem, extension] = StemAndExtension(name);
    if (extension.size() > MaxNameLength / 2)
        extension.clear();
    stem.truncate(MaxNameLength - extension.size());
    if (stem.size() > 0 && stem.back().isHighSurrogate())
        stem.chop(1);
    return stem + extension;
}

} // namespace

QString SafeFileName(const QString &offered)
{
    QString name = offered;
    name.replace(u'\\', u'/');
    name = name.section(u'/', -1);
    name.removeIf(Refused);
    name = name.trimmed();
    while (name.endsWith(u'.') || name.endsWith(u' '))
        name.chop(1);
    if (IsDeviceName(name))
        name.prepend(u'_');
    name = Shortened(name);
    return name.isEmpty() ? u"file"_s : name;
}

QString UniqueFileName(const QString &name, const std::function<bool(const QString &)> &taken)
{
    if (!taken(name))
        return name;
    const auto [stem, extension] = StemAndExtension(name);
    for (int n = 1;; ++n) {
        const QString candidate = stem + u" ("_s + QString::number(n) + u')' + extension;
        if (!taken(candidate))
            return candidate;
    }
}

} // namespace transfer
