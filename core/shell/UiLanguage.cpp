#include "UiLanguage.h"

#include "AppPaths.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace uilanguage
{

QString LanguageFor(const QString &lcAll, const QString &lcMessages, const QString &lang)
{
    for (const QString &value : {lcAll, lcMessages, lang}) {
        if (!value.isEmpty())
            return value.startsWith(QLatin1String("en")) ? QStringLiteral("en")
                                                         : QStringLiteral("ru");
    }
    return QStringLiteral("ru");
}

QString Language()
{
    return LanguageFor(qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_MESSAGES"),
                       qEnvironmentVariable("LANG"));
}

bool Install(QCoreApplication &app, const QString &language)
{
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
