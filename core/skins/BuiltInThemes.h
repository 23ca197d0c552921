#pragma once

#include "SkinRules.h"
#include "ThemeFile.h"

// The theme of a built-in style ("BlueGlass", "DeepBlue", "Protein", "WinXP"): a theme file
// kept in the program's resources, parsed once. FromThemeFile has no built-in theme and
// gives an empty one.
const ThemeFile &BuiltInTheme(TsuiUIStyle style);

// The resource path of a built-in style's theme file.
QString BuiltInThemePath(TsuiUIStyle style);
