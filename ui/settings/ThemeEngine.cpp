#include "ThemeEngine.h"

#include "BuiltInThemes.h"
#include "ThemeFile.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QWidget>

#include <optional>

namespace ThemeEngine
{
namespace
{

constexpr char StyleProperty[] = "uiStyle";
constexpr char WindowProperty[] = "themeWindow";

struct FileTheme {
    QString path;
    ThemeFile theme;
};

std::optional<FileTheme> &fileTheme()
{
    static std::optional<FileTheme> loaded;
    return loaded;
}

// The theme drawn for `style`; nullptr for the default look.
const ThemeFile *themeOf(TsuiUIStyle style)
{
    if (style == TsuiUIStyle::FromThemeFile)
        return LoadedTheme();
    return &BuiltInTheme(style);
}

// The properties a style sheet may set keep what they are set to when the sheet changes:
// put back the value each had before any theme set it, so that the new sheet starts from the
// control's own look.
void restoreThemeProperties(QWidget *window)
{
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.prepend(window);
    for (QWidget *widget : widgets) {
        for (const QString &name : ThemeSheetProperties()) {
            const QByteArray property = name.toLatin1();
            if (widget->metaObject()->indexOfProperty(property.constData()) < 0)
                continue;
            const QByteArray saved = "themeDefault_" + property;
            const QVariant original = widget->property(saved.constData());
            if (original.isValid())
                widget->setProperty(property.constData(), original);
            else
                widget->setProperty(saved.constData(), widget->property(property.constData()));
        }
    }
}

} // namespace

void LoadThemeFile(const QString &path)
{
    QString found = path;
    if (!QFileInfo(found).isFile()) {
        found = QCoreApplication::applicationDirPath() + u'/' + QFileInfo(path).fileName();
        if (!QFileInfo(found).isFile())
            return;
    }
    ThemeFile theme = ReadThemeFile(found);
    fileTheme() = FileTheme{found, std::move(theme)};
}

QString ThemeFilePath()
{
    return fileTheme() ? fileTheme()->path : QString();
}

const ThemeFile *LoadedTheme()
{
    return fileTheme() ? &fileTheme()->theme : nullptr;
}

void UnloadThemeFile()
{
    fileTheme().reset();
}

void SetUIStyle(QWidget *window, TsuiUIStyle style)
{
    if (!window)
        return;
    // Fonts and colours a window sets pass on to every control below it, as without a style
    // sheet; otherwise the pages of a tab widget would fall back to the application's font.
    QCoreApplication::setAttribute(Qt::AA_UseStyleSheetPropagationInWidgetStyles, true);
    // The window's background reaches the controls below it through their palettes; text
    // views and lists keep the application's own background unless the program or the
    // style gives them one.
    for (QAbstractScrollArea *view : window->findChildren<QAbstractScrollArea *>()) {
        if (!view->testAttribute(Qt::WA_SetPalette)) {
            QPalette palette = view->palette();
            palette.setBrush(QPalette::Base, QGuiApplication::palette().base());
            view->setPalette(palette);
        }
    }
    window->setProperty(StyleProperty, int(style));
    window->setProperty(WindowProperty, true);
    // Plain windows draw a style sheet's background and border only when asked to.
    window->setAttribute(Qt::WA_StyledBackground, true);
    restoreThemeProperties(window);
    const ThemeFile *theme = themeOf(style);
    window->setStyleSheet(theme ? theme->styleSheet : QString());
}

TsuiUIStyle UIStyle(const QWidget *window)
{
    const QVariant style = window ? window->property(StyleProperty) : QVariant();
    return style.isValid() ? TsuiUIStyle(style.toInt()) : TsuiUIStyle::FromThemeFile;
}

QColor FrameColor(const QWidget *window)
{
    if (const ThemeFile *theme = themeOf(UIStyle(window)))
        return theme->frameColor;
    return window ? window->palette().color(QPalette::Window) : QColor();
}

} // namespace ThemeEngine
