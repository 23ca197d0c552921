#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>

// The rules of the style list and of the layout classes, free of any window.

// The styles the theme engine knows. Every theme file is shown as FromThemeFile.
enum class TsuiUIStyle { FromThemeFile, WinXP, DeepBlue, Protein, BlueGlass };

// The four built-in entries at the head of the style list: "BlueGlass", "DeepBlue",
// "Protein", "WinXP".
const QStringList &BuiltInSkinNames();
// The built-in style of a style-list position below 4; nullopt for any other position.
std::optional<TsuiUIStyle> BuiltInStyleOfIndex(int index);
// The name of a built-in style ("BlueGlass" …); empty for FromThemeFile.
QString BuiltInStyleName(TsuiUIStyle style);

// The twelve theme names whose page controls and history grids take the window colour;
// compared exactly.
const QStringList &TintedSkinNames();
bool IsTintedSkinName(const QString &name);

// The style-list text of a theme file: `path` without everything up to and including its
// last "/" or "\", then without the first occurrence of the exact text ".sui".
QString SkinDisplayName(const QString &path);

// The most theme files the style list shows.
inline constexpr int MaxSkinFiles = 250;

// The entry a fill of the style list selects again: the first entry equal to `remembered`;
// -1 when there is nothing to keep or no entry equals it.
int KeptSkinSelection(const QStringList &entries, const std::optional<QString> &remembered);
// The entry start-up selects for the saved name: the last entry equal to it, or -1.
int RestoredSkinSelection(const QStringList &entries, const QString &savedName);

// Black or white, whichever reads better on `background`.
QColor ContrastingTextColor(const QColor &background);

// Layout classes: how much room a style needs above the content of a window.
enum class LayoutClass { None, Standard, Mp10, Msn };

// The vertical placement of the content of five windows.
struct LayoutValues {
    int mainPanelTop = 0;      // main window: Panel1 top
    int mainPanelHeight = 0;   // main window: Panel1 height
    int settingsPageTop = 0;   // settings window: suiPageControl1 top
    int settingsHeight = 0;    // settings window: its height
    int privateViewTop = 0;    // private window: RichEdit1 top
    int privateViewHeight = 0; // private window: RichEdit1 height
    int historyPageTop = 0;    // history window: suiPageControl1 top
    int historyPageHeight = 0; // history window: suiPageControl1 height
    int viewerHeight = 0;      // record viewer: its height
    int viewerGroupTop = 0;    // record viewer: GroupBox1 top

    bool operator==(const LayoutValues &) const = default;
};

// The values a class fixes. `None` gives the windows' values as built (Panel1 at 75, so no
// class is in force).
LayoutValues LayoutValuesOf(LayoutClass layoutClass);
// The class that the main window's Panel1 top shows: 76, 86, 91; None for any other top.
LayoutClass LayoutClassOfPanelTop(int top);
// The class of a style name: "msn", "mp10" or "Longhorn", every other name standard.
LayoutClass LayoutClassOfName(const QString &name);

// A change of layout class: the content moves up (towards the standard layout) or down by
// a pixels in the main window and b pixels in the other four windows.
struct LayoutMove {
    enum Direction { Up, Down };
    Direction direction = Up;
    int a = 0;
    int b = 0;

    bool operator==(const LayoutMove &) const = default;
};
// The move of a change between two classes; nullopt when either is None or they are equal.
std::optional<LayoutMove> LayoutMoveBetween(LayoutClass from, LayoutClass to);
// `values` moved by `move`.
LayoutValues MovedLayout(const LayoutValues &values, const LayoutMove &move);
// The layout step of picking the style `name` while `current` is in place: moved from the
// class in force to the class of `name`, or unchanged when no class is in force or the
// class stays.
LayoutValues AdjustedLayout(const LayoutValues &current, const QString &name);
