#pragma once

#include "SkinRules.h"

#include <QColor>
#include <QString>

class QWidget;
struct ThemeFile;

// The theme engine: draws a window and its controls in one of the built-in styles or in the
// shared file theme, the theme file loaded last. A window no style was set on keeps the
// default look. Windows are drawn with Qt style sheets; the engine marks every window it
// styles with the property "themeWindow" so that a style sheet can reach the window itself.
namespace ThemeEngine
{

// Loads the theme file at `path` into the shared file theme. When nothing is at `path` the
// file of the same name beside the executable is tried; when neither is a file the theme
// loaded before stays and nothing is reported. A file that is not a valid theme file throws
// EThemeFileError and leaves the shared file theme as it was. Windows showing the file
// theme change when their style is set again.
void LoadThemeFile(const QString &path);
// The path of the loaded theme file; empty while none is loaded.
QString ThemeFilePath();
// The loaded theme; nullptr while none is loaded.
const ThemeFile *LoadedTheme();
// Forgets the loaded theme file: FromThemeFile shows the default look again.
void UnloadThemeFile();

// Sets the style of `window` and draws it and its controls in that style. FromThemeFile
// draws the shared file theme, or the default look while none is loaded.
void SetUIStyle(QWidget *window, TsuiUIStyle style);
// The style last set on `window`; FromThemeFile when none was set.
TsuiUIStyle UIStyle(const QWidget *window);
// The colour the current style gives the frame of `window`: the theme's frame colour, or
// the window's own background colour in the default look.
QColor FrameColor(const QWidget *window);

} // namespace ThemeEngine
