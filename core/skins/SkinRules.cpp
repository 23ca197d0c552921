#include "SkinRules.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace
{

struct MoveRow {
    LayoutClass from;
    LayoutClass to;
    LayoutMove move;
};

const std::array<MoveRow, 6> MoveTable{{
    {LayoutClass::Msn, LayoutClass::Mp10, {LayoutMove::Up, 5, 7}},
    {LayoutClass::Msn, LayoutClass::Standard, {LayoutMove::Up, 15, 14}},
    {LayoutClass::Mp10, LayoutClass::Standard, {LayoutMove::Up, 10, 7}},
    {LayoutClass::Mp10, LayoutClass::Msn, {LayoutMove::Down, 5, 7}},
    {LayoutClass::Standard, LayoutClass::Msn, {LayoutMove::Down, 15, 14}},
    {LayoutClass::Standard, LayoutClass::Mp10, {LayoutMove::Down, 10, 7}},
}};

} // namespace

const QStringList &BuiltInSkinNames()
{
    static const QStringList names{QStringLiteral("BlueGlass"), QStringLiteral("DeepBlue"),
                                   QStringLiteral("Protein"), QStringLiteral("WinXP")};
    return names;
}

std::optional<TsuiUIStyle> BuiltInStyleOfIndex(int index)
{
    static const std::array<TsuiUIStyle, 4> styles{TsuiUIStyle::BlueGlass, TsuiUIStyle::DeepBlue,
                                                   TsuiUIStyle::Protein, TsuiUIStyle::WinXP};
    if (index < 0 || index >= int(styles.size()))
        return std::nullopt;
    return styles[std::size_t(index)];
}

QString BuiltInStyleName(TsuiUIStyle style)
{
    switch (style) {
    case TsuiUIStyle::BlueGlass:
        return BuiltInSkinNames()[0];
    case TsuiUIStyle::DeepBlue:
        return BuiltInSkinNames()[1];
    case TsuiUIStyle::Protein:
        return BuiltInSkinNames()[2];
    case TsuiUIStyle::WinXP:
        return BuiltInSkinNames()[3];
    case TsuiUIStyle::FromThemeFile:
        break;
    }
    return {};
}

const QStringList &TintedSkinNames()
{
    static const QStringList names{QStringLiteral("DeepCyan"),    QStringLiteral("DeepGreen"),
                                   QStringLiteral("DeepOrange"),  QStringLiteral("GreenGlass"),
                                   QStringLiteral("RealOne"),     QStringLiteral("SportsBlack"),
                                   QStringLiteral("SportsBlue"),  QStringLiteral("SportsCyan"),
                                   QStringLiteral("SportsGreen"), QStringLiteral("SportsOrange"),
                                   QStringLiteral("BrownGlass"),  QStringLiteral("OrangeGlass")};
    return names;
}

bool IsTintedSkinName(const QString &name)
{
    return TintedSkinNames().contains(name, Qt::CaseSensitive);
}

QString SkinDisplayName(const QString &path)
{
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    QString name = path.mid(slash + 1);
    const qsizetype extension = name.indexOf(QLatin1String(".sui"), 0, Qt::CaseSensitive);
    if (extension >= 0)
        name.remove(extension, 4);
    return name;
}

int KeptSkinSelection(const QStringList &entries, const std::optional<QString> &remembered)
{
    if (!remembered)
        return -1;
    return int(entries.indexOf(*remembered));
}

int RestoredSkinSelection(const QStringList &entries, const QString &savedName)
{
    return int(entries.lastIndexOf(savedName));
}

QColor ContrastingTextColor(const QColor &background)
{
    // Relative luminance of the sRGB colour; the lighter text wins below the midpoint.
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = background.toRgb();
    const double luminance =
        0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
    // Equal contrast against black and white: (L + 0.05) / 0.05 == 1.05 / (L + 0.05).
    return luminance > 0.179 ? QColor(Qt::black) : QColor(Qt::white);
}

LayoutValues LayoutValuesOf(LayoutClass layoutClass)
{
    switch (layoutClass) {
    case LayoutClass::Standard:
        return {76, 323, 33, 457, 33, 231, 33, 261, 280, 33};
    case LayoutClass::Mp10:
        return {86, 313, 40, 464, 40, 224, 40, 254, 287, 40};
    case LayoutClass::Msn:
        return {91, 308, 47, 471, 47, 217, 47, 247, 294, 47};
    case LayoutClass::None:
        break;
    }
    return {75, 324, 33, 457, 33, 231, 33, 261, 280, 33};
}

LayoutClass LayoutClassOfPanelTop(int top)
{
    switch (top) {
    case 76:
        return LayoutClass::Standard;
    case 86:
        return LayoutClass::Mp10;
    case 91:
        return LayoutClass::Msn;
    default:
        return LayoutClass::None;
    }
}

LayoutClass LayoutClassOfName(const QString &name)
{
    if (name == QLatin1String("msn"))
        return LayoutClass::Msn;
    if (name == QLatin1String("mp10") || name == QLatin1String("Longhorn"))
        return LayoutClass::Mp10;
    return LayoutClass::Standard;
}

std::optional<LayoutMove> LayoutMoveBetween(LayoutClass from, LayoutClass to)
{
    for (const MoveRow &row : MoveTable) {
        if (row.from == from && row.to == to)
            return row.move;
    }
    return std::nullopt;
}

LayoutValues MovedLayout(const LayoutValues &values, const LayoutMove &move)
{
    const int sign = move.direction == LayoutMove::Up ? -1 : 1;
    const int a = sign * move.a;
    const int b = sign * move.b;
    LayoutValues moved = values;
    moved.mainPanelTop += a;
    moved.mainPanelHeight -= a;
    moved.settingsPageTop += b;
    moved.settingsHeight += b;
    moved.privateViewTop += b;
    moved.privateViewHeight -= b;
    moved.historyPageTop += b;
    moved.historyPageHeight -= b;
    moved.viewerHeight += b;
    moved.viewerGroupTop += b;
    return moved;
}

LayoutValues AdjustedLayout(const LayoutValues &current, const QString &name)
{
    const std::optional<LayoutMove> move =
        LayoutMoveBetween(LayoutClassOfPanelTop(current.mainPanelTop), LayoutClassOfName(name));
    return move ? MovedLayout(current, *move) : current;
}
