#include "BuiltInThemes.h"
#include "SkinRules.h"
#include "TestSupport.h"
#include "ThemeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestThemeFile final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void validFiles_data();
    void validFiles();
    void invalidFiles_data();
    void invalidFiles();
    void unreadableFiles();
    void oversizedFileIsRejected();
    void builtInThemes_data();
    void builtInThemes();
    void shippedThemes_data();
    void shippedThemes();
    void marksTheThemesUse_data();
    void marksTheThemesUse();
};

namespace
{

const QByteArray Sheet = "QWidget { color: #000000; }\n";

QByteArray theme(const QByteArray &keys, const QByteArray &sheet = Sheet)
{
    return "PalavrixTheme 1\n" + keys + "[StyleSheet]\n" + sheet;
}

const QByteArray Keys = "Name=Sample\nFrameColor=#1A2B3C\n";

} // namespace

void TestThemeFile::validFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("frame");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("author");

    QTest::newRow("the two required keys")
        << theme(Keys) << "Sample" << QColor(0x1A, 0x2B, 0x3C) << "QWidget { color: #000000; }\n"
        << QString();
    QTest::newRow("every key, comments and blank lines")
        << theme("; a comment\n# another\n\nName = Spaced Name \nAuthor=Ann\n"
                 "Description=Test theme\nFrameColor= #abcdef \n\n")
        << "Spaced Name" << QColor(0xAB, 0xCD, 0xEF) << "QWidget { color: #000000; }\n"
        << "Ann";
    QTest::newRow("Windows line ends and a byte order mark")
        << QByteArray("\xEF\xBB\xBFPalavrixTheme 1\r\nName=Crlf\r\nFrameColor=#000000\r\n"
                      "[StyleSheet]\r\nQLabel { color: red; }\r\n")
        << "Crlf" << QColor(Qt::black) << "QLabel { color: red; }\n"
        << QString();
    QTest::newRow("the signature with extra blanks")
        << QByteArray("  PalavrixTheme   1  \n") + Keys + "[StyleSheet]\n" + Sheet << "Sample"
        << QColor(0x1A, 0x2B, 0x3C) << "QWidget { color: #000000; }\n"
        << QString();
    QTest::newRow("braces inside comments and strings do not count")
        << theme(Keys, "/* { */ QLabel[name=\"}\"] { color: red; } /* } */\n") << "Sample"
        << QColor(0x1A, 0x2B, 0x3C) << "/* { */ QLabel[name=\"}\"] { color: red; } /* } */\n"
        << QString();
    QTest::newRow("the link colours may be set")
        << theme(Keys, "URLLabel { qproperty-linkColor: #7DB8FF; qproperty-hoverColor: red; }\n")
        << "Sample" << QColor(0x1A, 0x2B, 0x3C)
        << "URLLabel { qproperty-linkColor: #7DB8FF; qproperty-hoverColor: red; }\n"
        << QString();
    QTest::newRow("refused words inside comments and strings do not count")
        << theme(Keys, "/* qproperty-text */ QLabel[text=\"qproperty-text\\\\\"] { color: red; }\n")
        << "Sample" << QColor(0x1A, 0x2B, 0x3C)
        << "/* qproperty-text */ QLabel[text=\"qproperty-text\\\\\"] { color: red; }\n"
        << QString();
    QTest::newRow("Cyrillic text") << theme("Name=Тема\nFrameColor=#FFFFFF\nAuthor=Автор\n")
                                   << "Тема" << QColor(Qt::white) << "QWidget { color: #000000; }\n"
                                   << "Автор";
}

void TestThemeFile::validFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QColor, frame);
    QFETCH(QString, sheet);
    QFETCH(QString, author);
    const ThemeFile parsed = ParseThemeFile(bytes, QStringLiteral("test.sui"));
    QCOMPARE(parsed.name, name);
    QCOMPARE(parsed.frameColor, frame);
    QCOMPARE(parsed.styleSheet, sheet);
    QCOMPARE(parsed.author, author);
}

void TestThemeFile::invalidFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");

    const QString prefix = QStringLiteral("Invalid theme file \"bad.sui\"");
    QTest::newRow("an empty file") << QByteArray() << prefix + ": the file is empty";
    QTest::newRow("blank lines only") << QByteArray("\n \n") << prefix + ": the file is empty";
    QTest::newRow("another format") << QByteArray("[Theme]\nName=x\n")
                                    << prefix + " (line 1): the first line must be "
                                                "\"PalavrixTheme 1\"";
    QTest::newRow("the signature in another case")
        << QByteArray("palavrixtheme 1\n") + Keys
        << prefix + " (line 1): the first line must be \"PalavrixTheme 1\"";
    QTest::newRow("a version that is not known")
        << QByteArray("PalavrixTheme 2\n") + Keys + "[StyleSheet]\n" + Sheet
        << prefix + " (line 1): format version \"2\" is not supported, only 1";
    QTest::newRow("a line that is no key")
        << theme("Name=x\nFrameColor=#000000\njust words\n")
        << prefix + " (line 4): \"just words\" is not a Key=Value line";
    QTest::newRow("a line with no key before =")
        << theme("=value\n") << prefix + " (line 2): \"=value\" is not a Key=Value line";
    QTest::newRow("an unknown key") << theme("Name=x\nFrameColour=#000000\n")
                                    << prefix + " (line 3): unknown key \"FrameColour\"";
    QTest::newRow("keys are case-sensitive")
        << theme("name=x\n") << prefix + " (line 2): unknown key \"name\"";
    QTest::newRow("a key given twice") << theme("Name=x\nName=y\nFrameColor=#000000\n")
                                       << prefix + " (line 3): the key \"Name\" is given twice";
    QTest::newRow("an empty name")
        << theme("Name=\nFrameColor=#000000\n") << prefix + " (line 2): Name must not be empty";
    QTest::newRow("no name") << theme("FrameColor=#000000\n")
                             << prefix + ": the key \"Name\" is missing";
    QTest::newRow("no frame colour")
        << theme("Name=x\n") << prefix + ": the key \"FrameColor\" is missing";
    QTest::newRow("a colour name instead of #RRGGBB")
        << theme("Name=x\nFrameColor=red\n")
        << prefix + " (line 3): FrameColor \"red\" is not a colour written as #RRGGBB";
    QTest::newRow("three hex digits")
        << theme("Name=x\nFrameColor=#FFF\n")
        << prefix + " (line 3): FrameColor \"#FFF\" is not a colour written as #RRGGBB";
    QTest::newRow("not hex digits")
        << theme("Name=x\nFrameColor=#GGHHII\n")
        << prefix + " (line 3): FrameColor \"#GGHHII\" is not a colour written as #RRGGBB";
    QTest::newRow("an alpha channel")
        << theme("Name=x\nFrameColor=#FF112233\n")
        << prefix + " (line 3): FrameColor \"#FF112233\" is not a colour written as #RRGGBB";
    QTest::newRow("a key the format does not have")
        << theme("Name=x\nFrameColor=#000000\nLinkColor=#0000FF\n")
        << prefix + " (line 4): unknown key \"LinkColor\"";
    QTest::newRow("an empty colour")
        << theme("Name=x\nFrameColor=\n")
        << prefix + " (line 3): FrameColor \"\" is not a colour written as #RRGGBB";
    QTest::newRow("no style-sheet section")
        << QByteArray("PalavrixTheme 1\n") + Keys
        << prefix + ": the line \"[StyleSheet]\" that starts the style sheet is missing";
    QTest::newRow("an empty style sheet")
        << theme(Keys, "  \n\n") << prefix + ": the style sheet is empty";
    QTest::newRow("an unclosed rule")
        << theme(Keys, "QLabel { color: red; }\nQWidget {\n  color: blue;\n")
        << prefix + " (line 6): \"{\" is not closed in the style sheet";
    QTest::newRow("a stray closing brace")
        << theme(Keys, "QLabel { color: red; }\n}\n")
        << prefix + " (line 6): \"}\" without a matching \"{\" in the style sheet";
    QTest::newRow("an unclosed comment")
        << theme(Keys, "QLabel { color: red; }\n/* note\n")
        << prefix + " (line 6): a comment in the style sheet is not closed";
    QTest::newRow("an unclosed string")
        << theme(Keys, "QLabel[text=\"a] { color: red; }\n")
        << prefix + " (line 5): a string in the style sheet is not closed";
    const QString textsStay = QStringLiteral(" is not allowed: a theme cannot change the texts "
                                             "of the controls");
    QTest::newRow("a text set through a property")
        << theme(Keys, "QLabel { color: red; }\nQLabel { qproperty-text: \"hacked\"; }\n")
        << prefix + " (line 6): \"qproperty-text\"" + textsStay;
    QTest::newRow("the text format set through a property")
        << theme(Keys, "QLabel { qproperty-textFormat: 1; }\n")
        << prefix + " (line 5): \"qproperty-textFormat\"" + textsStay;
    QTest::newRow("a property in capitals")
        << theme(Keys, "QLabel { QPROPERTY-LINKCOLOR: red; }\n")
        << prefix + " (line 5): \"QPROPERTY-LINKCOLOR\"" + textsStay;
    QTest::newRow("a property after a comment")
        << theme(Keys, "/* a { */ QLineEdit { qproperty-placeholderText: \"x\"; }\n")
        << prefix + " (line 5): \"qproperty-placeholderText\"" + textsStay;
    QTest::newRow("the password character")
        << theme(Keys, "QLineEdit { lineedit-password-character: 42; }\n")
        << prefix + " (line 5): \"lineedit-password-character\"" + textsStay;
    QTest::newRow("an escape that spells a property")
        << theme(Keys, "QLabel { qpropert\\79-text: x; }\n")
        << prefix + " (line 5): escapes are not allowed in the style sheet";
    QTest::newRow("not UTF-8 text") << theme("Name=\xCF\xF0\xE8\xE2\xE5\xF2\nFrameColor=#000000\n")
                                    << prefix + ": the file is not UTF-8 text";
    QTest::newRow("binary data") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)
                                 << prefix +
                                        " (line 1): the first line must be \"PalavrixTheme 1\"";
}

void TestThemeFile::invalidFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    try {
        ParseThemeFile(bytes, QStringLiteral("bad.sui"));
        QFAIL("the file was accepted");
    } catch (const EThemeFileError &error) {
        QCOMPARE(error.message(), message);
    }
}

void TestThemeFile::unreadableFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("missing.sui"));
    QVERIFY_THROWS_EXCEPTION(EThemeFileError, ReadThemeFile(missing));
    try {
        ReadThemeFile(missing);
    } catch (const EThemeFileError &error) {
        QVERIFY(error.message().startsWith(
            QStringLiteral("Invalid theme file \"%1\": the file cannot be read (").arg(missing)));
    }
    const QString good = dir.filePath(QStringLiteral("good.sui"));
    testsupport::writeFile(good, theme(Keys));
    QCOMPARE(ReadThemeFile(good).name, QStringLiteral("Sample"));
}

void TestThemeFile::oversizedFileIsRejected()
{
    const QByteArray large = theme(Keys, "QWidget { color: red; }\n/*" +
                                             QByteArray(int(MaxThemeFileSize), ' ') + "*/\n");
    QVERIFY_THROWS_EXCEPTION(EThemeFileError, ParseThemeFile(large, QStringLiteral("big.sui")));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("big.sui"));
    testsupport::writeFile(path, large);
    try {
        ReadThemeFile(path);
        QFAIL("the file was accepted");
    } catch (const EThemeFileError &error) {
        QCOMPARE(error.message(), QStringLiteral("Invalid theme file \"%1\": the file is larger "
                                                 "than 1 MB")
                                      .arg(path));
    }
}

void TestThemeFile::builtInThemes_data()
{
    QTest::addColumn<int>("style");
    for (int i = 0; i < 4; ++i)
        QTest::newRow(qPrintable(BuiltInSkinNames()[i])) << int(*BuiltInStyleOfIndex(i));
}

void TestThemeFile::builtInThemes()
{
    QFETCH(int, style);
    const ThemeFile &builtIn = BuiltInTheme(TsuiUIStyle(style));
    QCOMPARE(builtIn.name, BuiltInStyleName(TsuiUIStyle(style)));
    QVERIFY(builtIn.frameColor.isValid());
    // Each style draws the window body and the controls itself.
    for (const char *selector :
         {"*[themeWindow=\"true\"]", "QPushButton", "QTabBar::tab", "QGroupBox", "QLineEdit",
          "QComboBox", "QSlider::groove", "QScrollBar::handle", "QHeaderView::section", "QMenu",
          "QToolBar", "QStatusBar"})
        QVERIFY2(builtIn.styleSheet.contains(QLatin1String(selector)), selector);
    // The four are different looks, not one look under four names.
    for (int other = 0; other < 4; ++other) {
        const TsuiUIStyle otherStyle = *BuiltInStyleOfIndex(other);
        if (otherStyle != TsuiUIStyle(style)) {
            QVERIFY(BuiltInTheme(otherStyle).styleSheet != builtIn.styleSheet);
            QVERIFY(BuiltInTheme(otherStyle).frameColor != builtIn.frameColor);
        }
    }
    QVERIFY(BuiltInTheme(TsuiUIStyle::FromThemeFile).styleSheet.isEmpty());
}

void TestThemeFile::shippedThemes_data()
{
    QTest::addColumn<QString>("path");
    const QDir skins(QStringLiteral(PALAVRIX_SKINS_SOURCE_DIR));
    const QStringList files = skins.entryList({QStringLiteral("*.sui")}, QDir::Files);
    QVERIFY(files.size() >= 5);
    for (const QString &file : files)
        QTest::newRow(qPrintable(file)) << skins.filePath(file);
}

void TestThemeFile::shippedThemes()
{
    QFETCH(QString, path);
    const ThemeFile shipped = ReadThemeFile(path);
    QCOMPARE(shipped.name, SkinDisplayName(path));
    QVERIFY(shipped.frameColor.isValid());
}

void TestThemeFile::marksTheThemesUse_data()
{
    QTest::addColumn<QString>("sheet");
    for (int i = 0; i < 4; ++i)
        QTest::newRow(qPrintable(BuiltInSkinNames()[i]))
            << BuiltInTheme(*BuiltInStyleOfIndex(i)).styleSheet;
    const QDir skins(QStringLiteral(PALAVRIX_SKINS_SOURCE_DIR));
    for (const QString &file : skins.entryList({QStringLiteral("*.sui")}, QDir::Files))
        QTest::newRow(qPrintable(file)) << ReadThemeFile(skins.filePath(file)).styleSheet;
}

void TestThemeFile::marksTheThemesUse()
{
    QFETCH(QString, sheet);
    // Every picture a theme names is one of the program's resources.
    static const QRegularExpression url(QStringLiteral("url\\(([^)]*)\\)"));
    int pictures = 0;
    for (const QRegularExpressionMatch &match : url.globalMatch(sheet)) {
        const QString resource = match.captured(1);
        QVERIFY2(resource.startsWith(QLatin1String(":/skins/marks/")), qPrintable(resource));
        QVERIFY2(QImage(resource).size().isValid(), qPrintable(resource));
        ++pictures;
    }
    QVERIFY(pictures >= 2);
}

PALAVRIX_TEST_GUILESS_MAIN(TestThemeFile)
#include "tst_ThemeFile.moc"
