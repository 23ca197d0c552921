#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

// The language of the windows. The texts are written in Russian; an English translation
// (palavrix_en.qm among the shipped files) replaces them for every other language.
namespace uilanguage
{

// The language the locale variables choose, "ru" or "en", the way GNU gettext picks a
// catalogue: the locale that governs messages is the first of LC_ALL, LC_MESSAGES and LANG
// that is set and not empty. Unless that locale is C or POSIX (or none is set), LANGUAGE, a
// colon-separated list, goes first: its first entry naming a language the program has ("ru" or
// "en") wins. Otherwise the locale decides: Russian for C, POSIX and the languages of users
// who mostly read Russian on their computers (Russian, Belarusian, Kazakh, Kyrgyz: Russian is
// an official language where they are spoken), English for every other language.
QString LanguageFor(const QString &lcAll, const QString &lcMessages, const QString &lang,
                    const QString &language = QString());
// The same from the environment.
QString Language();

// The locale whose numbers the windows write for `language` ("1,0" in Russian, "1.0" in English).
QLocale LocaleFor(const QString &language);

// Makes LocaleFor(language) the default locale and installs the translation of Qt's own texts
// and of the program for `language`; the program's Russian texts need none. Returns false when
// the program's translation was wanted but not found.
bool Install(QCoreApplication &app, const QString &language);

} // namespace uilanguage
