#pragma once

#include <QString>

class QCoreApplication;

// The language of the windows. The texts are written in Russian; an English translation
// (palavrix_en.qm among the shipped files) replaces them where the user's locale is English.
namespace uilanguage
{

// "en" when the locale that governs messages (LC_ALL, else LC_MESSAGES, else LANG; the
// first one set and not empty) starts with "en", otherwise "ru".
QString LanguageFor(const QString &lcAll, const QString &lcMessages, const QString &lang);
// The same from the environment.
QString Language();

// Installs the translation of Qt's own texts and of the program for `language`; the
// program's Russian texts need none. Returns false when the program's translation was wanted but
// not found.
bool Install(QCoreApplication &app, const QString &language);

} // namespace uilanguage
