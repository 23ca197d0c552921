#include "BuiltInThemes.h"

#include <QMap>

// Outside any namespace, as the resource initialiser requires.
static void initBuiltInThemeResources()
{
    Q_INIT_RESOURCE(builtin_themes);
}

QString BuiltInThemePath(TsuiUIStyle style)
{
    return QStringLiteral(":/skins/builtin/") + BuiltInStyleName(style) + QLatin1String(".sui");
}

const ThemeFile &BuiltInTheme(TsuiUIStyle style)
{
    static const QMap<TsuiUIStyle, ThemeFile> themes = [] {
        initBuiltInThemeResources();
        QMap<TsuiUIStyle, ThemeFile> parsed;
        for (const TsuiUIStyle builtIn : {TsuiUIStyle::BlueGlass, TsuiUIStyle::DeepBlue,
                                          TsuiUIStyle::Protein, TsuiUIStyle::WinXP})
            parsed.insert(builtIn, ReadThemeFile(BuiltInThemePath(builtIn)));
        return parsed;
    }();
    static const ThemeFile none;
    const auto found = themes.constFind(style);
    return found == themes.cend() ? none : *found;
}
