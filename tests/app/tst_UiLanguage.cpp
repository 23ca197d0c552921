#include "TestSupport.h"
#include "UiLanguage.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTest>

#include <array>

using namespace Qt::StringLiterals;

namespace
{

constexpr std::array<const char *, 4> LocaleVariables = {"LC_ALL", "LC_MESSAGES", "LANG",
                                                         "LANGUAGE"};

// Sets the locale variables for the object's life: a null value leaves one unset, an empty
// one sets it empty. The values found before come back afterwards.
class LocaleEnvironment final
{
public:
    explicit LocaleEnvironment(const std::array<QString, 4> &values)
    {
        for (std::size_t i = 0; i < LocaleVariables.size(); ++i) {
            m_saved[i] = qgetenv(LocaleVariables[i]);
            m_wasSet[i] = qEnvironmentVariableIsSet(LocaleVariables[i]);
            if (values[i].isNull())
                qunsetenv(LocaleVariables[i]);
            else
                qputenv(LocaleVariables[i], values[i].toUtf8());
        }
    }
    ~LocaleEnvironment()
    {
        for (std::size_t i = 0; i < LocaleVariables.size(); ++i) {
            if (m_wasSet[i])
                qputenv(LocaleVariables[i], m_saved[i]);
            else
                qunsetenv(LocaleVariables[i]);
        }
    }
    LocaleEnvironment(const LocaleEnvironment &) = delete;
    LocaleEnvironment &operator=(const LocaleEnvironment &) = delete;

private:
    std::array<QByteArray, 4> m_saved;
    std::array<bool, 4> m_wasSet{};
};

} // namespace

// The language of the windows follows the locale variables as GNU gettext reads them.
class TestUiLanguage final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void languageFollowsTheEnvironment_data();
    void languageFollowsTheEnvironment();
    void qtDialogsSpeakRussianToo();
    void numbersFollowTheLanguageOfTheWindows_data();
    void numbersFollowTheLanguageOfTheWindows();
};

void TestUiLanguage::languageFollowsTheEnvironment_data()
{
    QTest::addColumn<QString>("lcAll");
    QTest::addColumn<QString>("lcMessages");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("languageList");
    QTest::addColumn<QString>("language");
    const QString unset;
    const QString empty = u""_s;
    auto row = [](const char *name, const QString &lcAll, const QString &lcMessages,
                  const QString &lang, const QString &list, const char *language) {
        QTest::newRow(name) << lcAll << lcMessages << lang << list << QString::fromLatin1(language);
    };
    row("English LANG gives English", unset, unset, u"en_US.UTF-8"_s, unset, "en");
    row("Russian LANG gives Russian", unset, unset, u"ru_RU.UTF-8"_s, unset, "ru");
    row("nothing set gives Russian", unset, unset, unset, unset, "ru");
    row("the C locale gives Russian", unset, unset, u"C.UTF-8"_s, unset, "ru");
    row("the POSIX locale gives Russian", unset, unset, u"POSIX"_s, unset, "ru");
    row("a German desktop gets English", unset, unset, u"de_DE.UTF-8"_s, unset, "en");
    row("a French desktop gets English", unset, unset, u"fr_FR.UTF-8"_s, unset, "en");
    row("a Ukrainian desktop gets English", unset, unset, u"uk_UA.UTF-8"_s, unset, "en");
    row("a Belarusian desktop gets Russian", unset, unset, u"be_BY.UTF-8"_s, unset, "ru");
    row("a Kazakh desktop gets Russian", unset, unset, u"kk_KZ.UTF-8"_s, unset, "ru");
    row("LC_MESSAGES goes before LANG", unset, u"en_GB.UTF-8"_s, u"ru_RU.UTF-8"_s, unset, "en");
    row("LC_ALL goes before LC_MESSAGES and LANG", u"ru_RU.UTF-8"_s, u"en_GB.UTF-8"_s, u"en_US"_s,
        unset, "ru");
    row("an English LC_ALL goes before a Russian LANG", u"en_US.UTF-8"_s, unset, u"ru_RU.UTF-8"_s,
        unset, "en");
    row("a C LC_ALL goes before an English LANG", u"C"_s, unset, u"en_US.UTF-8"_s, unset, "ru");
    row("an empty LC_ALL is passed over", empty, unset, u"en_US.UTF-8"_s, unset, "en");
    row("an empty LC_MESSAGES is passed over", unset, empty, u"de_DE.UTF-8"_s, unset, "en");
    row("LANGUAGE goes before the locale", unset, unset, u"ru_RU.UTF-8"_s, u"en"_s, "en");
    row("LANGUAGE goes before LC_ALL", u"en_US.UTF-8"_s, unset, unset, u"ru"_s, "ru");
    row("the first language of LANGUAGE the program has wins", unset, unset, u"en_US.UTF-8"_s,
        u"de:fr:ru_RU:en"_s, "ru");
    row("LANGUAGE naming no language the program has leaves the choice to the locale", unset, unset,
        u"ru_RU.UTF-8"_s, u"de:fr"_s, "ru");
    row("an empty LANGUAGE is passed over", unset, unset, u"en_US.UTF-8"_s, empty, "en");
    row("LANGUAGE is ignored under the C locale", unset, unset, u"C.UTF-8"_s, u"en"_s, "ru");
    row("LANGUAGE is ignored under a C LC_ALL", u"C"_s, unset, u"en_US.UTF-8"_s, u"en"_s, "ru");
    row("LANGUAGE is ignored when no locale is set", unset, unset, unset, u"en"_s, "ru");
}

void TestUiLanguage::languageFollowsTheEnvironment()
{
    QFETCH(QString, lcAll);
    QFETCH(QString, lcMessages);
    QFETCH(QString, lang);
    QFETCH(QString, languageList);
    QFETCH(QString, language);
    const LocaleEnvironment environment({lcAll, lcMessages, lang, languageList});
    QCOMPARE(uilanguage::Language(), language);
}

// The program's Russian needs no translation, but Qt's own dialog texts are English until
// their Russian is installed.
void TestUiLanguage::qtDialogsSpeakRussianToo()
{
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Open"), QStringLiteral("Open"));
    QVERIFY(uilanguage::Install(*QCoreApplication::instance(), QStringLiteral("ru")));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Open"), QStringLiteral("Открыть"));
}

// Whatever the system's own locale, numbers are written as the windows' language writes them.
void TestUiLanguage::numbersFollowTheLanguageOfTheWindows_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QLocale::Language>("before");
    QTest::addColumn<QString>("number");
    QTest::newRow("English windows on a Russian default write a point")
        << u"en"_s << QLocale::Russian << u"1024.5"_s;
    QTest::newRow("Russian windows on an English default write a comma")
        << u"ru"_s << QLocale::English << u"1024,5"_s;
}

void TestUiLanguage::numbersFollowTheLanguageOfTheWindows()
{
    QFETCH(QString, language);
    QFETCH(QLocale::Language, before);
    QFETCH(QString, number);
    QLocale::setDefault(QLocale(before));
    uilanguage::Install(*QCoreApplication::instance(), language);
    QCOMPARE(QLocale().toString(1024.5, 'f', 1), number);
}

PALAVRIX_TEST_GUILESS_MAIN(TestUiLanguage)
#include "tst_UiLanguage.moc"
