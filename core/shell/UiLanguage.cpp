#include "UiLanguage.h"

#include "AppPaths.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace uilanguage
{

namespace
{

// "ru_RU.UTF-8" and "ru@latin" give "ru".
QString LanguageCode(const QString &locale)
{
    qsizetype end = 0;
    while (end < locale.size() && locale.at(end).isLetter())
        ++end;
    return locale.left(end).toLower();
}

bool IsCLocale(const QString &locale)
{
    return locale.isEmpty() || locale == u"C" || locale == u"POSIX" || locale.startsWith(u"C.");
}

bool SpeaksRussian(const QString &code)
{
    return code == u"ru" || code == u"be" || code == u"kk" || code == u"ky";
}

// The language a LANGUAGE entry names when the program has it, otherwise an empty string.
QString CatalogueFor(const QString &entry)
{
    const QString code = LanguageCode(entry);
    return code == u"ru" || code == u"en" ? code : QString();
}

} // namespace

QString LanguageFor(const QString &lcAll, const QString &lcMessages, const QString &lang,
                    const QString &language)
{
    QString locale;
    for (const QString &value : {lcAll, lcMessages, lang}) {
        if (!value.isEmpty()) {
            locale = value;
            break;
        }
    }
    if (IsCLocale(locale))
        return QStringLiteral("ru");
    for (const QString &entry : language.split(u':', Qt::SkipEmptyParts)) {
        const QString chosen = CatalogueFor(entry);
        if (!chosen.isEmpty())
            return chosen;
    }
    return SpeaksRussian(LanguageCode(locale)) ? QStringLiteral("ru") : QStringLiteral("en");
}

QString Language()
{
    return LanguageFor(qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_MESSAGES"),
                       qEnvironmentVariable("LANG"), qEnvironmentVariable("LANGUAGE"));
}

QLocale LocaleFor(const QString &language)
{
    QLocale locale(language == u"en" ? QLocale::English : QLocale::Russian);
    // Sizes and counts stay as compact as the Russian texts have always written them.
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

bool Install(QCoreApplication &app, const QString &language)
{
    QLocale::setDefault(LocaleFor(language));
    // Qt's own dialogs (file chooser, text menus) speak the language of the windows.
    auto *qt = new QTranslator(&app);
    if (qt->load(QStringLiteral("qtbase_") + language,
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    auto *own = new QTranslator(&app);
    if (!own->load(
            apppaths::SharedFile(QStringLiteral("palavrix_") + language + QStringLiteral(".qm"))))
        // The Russian file gives only the plural forms: without it the windows still read.
        return language == QLatin1String("ru");
    return QCoreApplication::installTranslator(own);
}

} // namespace uilanguage
