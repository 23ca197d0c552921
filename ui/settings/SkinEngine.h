#pragma once

#include "SkinRules.h"

#include <QList>
#include <QString>

class QListWidget;
class QWidget;

// The style list of the settings window and the looks of the seven windows.

// The settings window's FormShow: fills its style list ListBox1 with the four built-in
// styles and the theme files of SkinsFolder(), keeping the selected entry by its text.
void FillSkinList();
// The same for any list and theme folder.
void FillSkinList(QListWidget *list, const QString &folder);

// The settings window's ListBox1Click: applies the entry selected in ListBox1. An invalid
// theme file throws EThemeFileError and leaves every window as it was.
void ApplySkin();
// Applies the style-list entry at `index` with the text `name`; theme files come from
// `folder`.
void ApplySkin(int index, const QString &name, const QString &folder);

// Start-up: builds the style list, selects the last entry equal to `savedName` and applies
// it with the layout values of its class. A rejected theme file is reported in the standard
// error box; the start-up goes on.
void RestoreSkin(const QString &savedName);
// The same with theme files from `folder`.
void RestoreSkin(const QString &savedName, const QString &folder);

// The layout step of ApplySkin: moves the content of the five windows from the layout class
// in force to the class of `name`; nothing moves while no class is in force.
void AdjustLayoutForSkin(const QString &name);

// The layout values in force; the values of the windows as built until RestoreSkin ran.
LayoutValues CurrentLayout();

// The windows in the order the styles are set on them: settings, main, About, private,
// history, search, record viewer (the ones that exist).
QList<QWidget *> SkinnedWindows();
