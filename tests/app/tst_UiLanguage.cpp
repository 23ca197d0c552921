#include "TestSupport.h"
#include "UiLanguage.h"

#include <QCoreApplication>
#include <QTest>

// The language of the windows follows the locale that governs messages.
class TestUiLanguage final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void languageFollowsTheLocale_data();
    void languageFollowsTheLocale();
    void qtDialogsSpeakRussianToo();
};

void TestUiLanguage::languageFollowsTheLocale_data()
{
    QTest::addColumn<QString>("lcAll");
    QTest::addColumn<QString>("lcMessages");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("language");
    QTest::newRow("English LANG") << ""
                                  << ""
                                  << "en_US.UTF-8"
                                  << "en";
    QTest::newRow("Russian LANG") << ""
                                  << ""
                                  << "ru_RU.UTF-8"
                                  << "ru";
    QTest::newRow("nothing set stays Russian") << ""
                                               << ""
                                               << ""
                                               << "ru";
    QTest::newRow("C locale stays Russian") << ""
                                            << ""
                                            << "C.UTF-8"
                                            << "ru";
    QTest::newRow("German stays Russian") << ""
                                          << ""
                                          << "de_DE.UTF-8"
                                          << "ru";
    QTest::newRow("LC_MESSAGES over LANG") << ""
                                           << "en_GB.UTF-8"
                                           << "ru_RU.UTF-8"
                                           << "en";
    QTest::newRow("LC_ALL over both") << "ru_RU.UTF-8"
                                      << "en_GB.UTF-8"
                                      << "en_US"
                                      << "ru";
}

void TestUiLanguage::languageFollowsTheLocale()
{
    QFETCH(QString, lcAll);
    QFETCH(QString, lcMessages);
    QFETCH(QString, lang);
    QFETCH(QString, language);
    QCOMPARE(uilanguage::LanguageFor(lcAll, lcMessages, lang), language);
}

// The program's Russian needs no translation, but Qt's own dialog texts are English until
// their Russian is installed.
void TestUiLanguage::qtDialogsSpeakRussianToo()
{
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Open"), QStringLiteral("Open"));
    QVERIFY(uilanguage::Install(*QCoreApplication::instance(), QStringLiteral("ru")));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Open"), QStringLiteral("Открыть"));
}

PALAVRIX_TEST_GUILESS_MAIN(TestUiLanguage)
#include "tst_UiLanguage.moc"
