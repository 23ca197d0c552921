#pragma once

#include "AppError.h"

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>

// A theme file ("*.sui"): UTF-8 text made of the signature line "PalavrixTheme 1", key lines
// (Name, FrameColor, optionally Author and Description) and, after a "[StyleSheet]" line, a
// Qt style sheet that styles every window. docs/themes.md describes the format.
struct ThemeFile {
    QString name;
    QString author;
    QString description;
    QColor frameColor; // the colour of the windows' frames in this theme
    QString styleSheet;
};

// A file that is not a valid theme file; the message names the file, the line and the fault.
class EThemeFileError final : public AppError
{
public:
    using AppError::AppError;
};

// The signature line and the largest theme file accepted.
inline constexpr char ThemeSignature[] = "PalavrixTheme";
inline constexpr int ThemeFormatVersion = 1;
inline constexpr qint64 MaxThemeFileSize = 1024 * 1024;

// The only control properties a style sheet may set (as "qproperty-" and the name): the
// colours of link labels. Every other property assignment is refused, so that a theme can
// change how controls look but never their texts or how texts are shown.
const QStringList &ThemeSheetProperties();

// Parses the bytes of a theme file; `source` names it in error messages. Throws
// EThemeFileError when the text is not a valid theme file.
ThemeFile ParseThemeFile(const QByteArray &bytes, const QString &source);
// Reads and parses the theme file at `path`; throws EThemeFileError when it cannot be read
// or is not valid.
ThemeFile ReadThemeFile(const QString &path);
