#include "AboutWindow.h"
#include "AppPaths.h"
#include "AppWindows.h"
#include "ChatSession.h"
#include "Dialogs.h"
#include "HistoryDatabase.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "LogView.h"
#include "MainWindow.h"
#include "PrivateWindow.h"
#include "RecordViewer.h"
#include "RenderSupport.h"
#include "SearchWindow.h"
#include "SettingsWindow.h"
#include "SkinEngine.h"
#include "SkinSearch.h"
#include "TestSupport.h"
#include "ThemeEngine.h"
#include "ThemeFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLayout>
#include <QListWidget>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(LayoutClass)

// Records the order in which windows are restyled.
class StyleOrder final : public QObject
{
public:
    QList<QObject *> windows;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::StyleChange && !windows.contains(watched))
            windows.append(watched);
        return false;
    }
};

class TestSkinEngine final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void windowsAreRestyledInTheirOrder();
    void builtInEntries_data();
    void builtInEntries();
    void themeFileEntryLoadsThatFile();
    void colourSteps_data();
    void colourSteps();
    void tintedThenPlainStyle();
    void applySkinReadsTheSettingsList();

    void restoreSetsTheClassOfTheSavedName_data();
    void restoreSetsTheClassOfTheSavedName();
    void layoutMoves_data();
    void layoutMoves();
    void noClassWithoutASavedStyle();
    void restoreSelectsTheLastEqualEntry();
    void restoreOfAnUnknownName();

    void invalidThemeFileIsRejected();
    void rejectedStoredThemeIsReported();
    void missingThemeFileKeepsTheLastLoadedLook();
    void startUpAppliesTheSavedStyle();

    void renderWindows_data();
    void renderWindows();

private:
    void createWindows();
    void installTheme(const QString &name, const QString &folder);
    void writeBadTheme(const QString &name);
    void fillList() { FillSkinList(Form2->ListBox1, m_skins); }
    int row(const QString &name) const;
    void apply(const QString &name);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_skins;
    QString m_oldCwd;
    std::unique_ptr<AppWindows> m_windows;
};

namespace
{

const QString SourceSkins = QStringLiteral(PALAVRIX_SKINS_SOURCE_DIR);

QList<QWidget *> sevenWindows()
{
    return {Form2, Form1, Form3, Form4, HForm, Form5, Form6};
}

QList<QTableView *> grids()
{
    return {HForm->DBGrid1, HForm->DBGrid2, HForm->DBGrid3};
}

int topMargin(QWidget *host)
{
    return host->layout()->contentsMargins().top();
}

// Where the content of the five windows is, as the windows show it.
struct Placement {
    int mainMargin;
    int settingsPageTop;
    int settingsHeight;
    int privateMargin;
    int historyMargin;
    int viewerMargin;
    int viewerHeight;

    bool operator==(const Placement &) const = default;
};

Placement placement()
{
    return {topMargin(Form1->centralWidget()),
            Form2->suiPageControl1->y(),
            Form2->height(),
            topMargin(Form4),
            topMargin(HForm),
            topMargin(Form6),
            Form6->height()};
}

// The placement moved down by a (main window) and b (the other four).
Placement shifted(const Placement &base, int a, int b)
{
    return {base.mainMargin + a,    base.settingsPageTop + b, base.settingsHeight + b,
            base.privateMargin + b, base.historyMargin + b,   base.viewerMargin + b,
            base.viewerHeight + b};
}

int offsetOf(LayoutClass layoutClass, bool main)
{
    const LayoutValues standard = LayoutValuesOf(LayoutClass::Standard);
    const LayoutValues values = LayoutValuesOf(layoutClass);
    return main ? values.mainPanelTop - standard.mainPanelTop
                : values.privateViewTop - standard.privateViewTop;
}

QStringList errorTexts()
{
    QStringList texts;
    for (const Dialogs::Shown &shown : Dialogs::history()) {
        if (shown.kind == Dialogs::Kind::Error)
            texts.append(shown.text);
    }
    return texts;
}

} // namespace

void TestSkinEngine::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_oldCwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    apppaths::SetProgramFolder(m_dir->path());
    m_skins = m_dir->filePath(QStringLiteral("Skins")) + u'/';
    QVERIFY(QDir().mkpath(m_skins));
    Dialogs::clearHistory();
    Dialogs::setAutoAnswer(true);
    ThemeEngine::UnloadThemeFile();
    SharedSkinSearch().clear();
    createWindows();
}

void TestSkinEngine::createWindows()
{
    // The history window opens the template of the working folder; the store files go to
    // the temporary folder too.
    CreateHistoryTemplate(m_dir->filePath(QStringLiteral("tmp.dat")));
    if (!QFileInfo::exists(m_dir->filePath(QStringLiteral("Chat.cfg"))))
        testsupport::writeChatCfg(m_dir->path(), QString());
    m_windows = std::make_unique<AppWindows>();
    HForm->Store->setProgramDir(m_dir->path());
}

void TestSkinEngine::cleanup()
{
    apppaths::SetProgramFolder(QString());
    m_windows.reset();
    ThemeEngine::UnloadThemeFile();
    Dialogs::setAutoAnswer(false);
    Dialogs::clearHistory();
    QDir::setCurrent(m_oldCwd);
    m_dir.reset();
}

void TestSkinEngine::installTheme(const QString &name, const QString &folder)
{
    testsupport::require(QFile::copy(SourceSkins + u'/' + name + QLatin1String(".sui"),
                                     folder + name + QLatin1String(".sui")),
                         "copying a shipped theme");
}

void TestSkinEngine::writeBadTheme(const QString &name)
{
    testsupport::writeFile(
        m_skins + name + QLatin1String(".sui"),
        "PalavrixTheme 1\nName=Bad\nFrameColor=orange\n[StyleSheet]\nQWidget {}\n");
}

int TestSkinEngine::row(const QString &name) const
{
    const QList<QListWidgetItem *> found = Form2->ListBox1->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? -1 : Form2->ListBox1->row(found.last());
}

void TestSkinEngine::apply(const QString &name)
{
    ApplySkin(row(name), name, m_skins);
}

void TestSkinEngine::windowsAreRestyledInTheirOrder()
{
    QCOMPARE(SkinnedWindows(), sevenWindows());
    StyleOrder order;
    for (QWidget *window : sevenWindows())
        window->installEventFilter(&order);
    fillList();
    apply(QStringLiteral("DeepBlue"));
    const QList<QWidget *> windows = sevenWindows();
    QCOMPARE(order.windows, QList<QObject *>(windows.cbegin(), windows.cend()));
}

void TestSkinEngine::builtInEntries_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("style");
    for (int i = 0; i < 4; ++i)
        QTest::newRow(qPrintable(BuiltInSkinNames()[i])) << i << int(*BuiltInStyleOfIndex(i));
}

void TestSkinEngine::builtInEntries()
{
    QFETCH(int, index);
    QFETCH(int, style);
    // A theme file of the same name does not matter for the built-in entry.
    installTheme(QStringLiteral("msn"), m_skins);
    fillList();
    ApplySkin(index, BuiltInSkinNames()[index], m_skins);
    for (QWidget *window : sevenWindows()) {
        QCOMPARE(int(ThemeEngine::UIStyle(window)), style);
        QVERIFY(!window->styleSheet().isEmpty());
    }
    QVERIFY(ThemeEngine::ThemeFilePath().isEmpty());
}

void TestSkinEngine::themeFileEntryLoadsThatFile()
{
    installTheme(QStringLiteral("OrangeGlass"), m_skins);
    fillList();
    QCOMPARE(row(QStringLiteral("OrangeGlass")), 4);
    apply(QStringLiteral("OrangeGlass"));
    QCOMPARE(ThemeEngine::ThemeFilePath(), m_skins + QStringLiteral("OrangeGlass.sui"));
    for (QWidget *window : sevenWindows()) {
        QCOMPARE(ThemeEngine::UIStyle(window), TsuiUIStyle::FromThemeFile);
        QCOMPARE(window->styleSheet(), ThemeEngine::LoadedTheme()->styleSheet);
    }
}

void TestSkinEngine::colourSteps_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("tinted");
    QTest::newRow("BlueGlass") << "BlueGlass" << false;
    QTest::newRow("WinXP") << "WinXP" << false;
    QTest::newRow("msn, a theme file") << "msn" << false;
    QTest::newRow("OrangeGlass, a tinted theme file") << "OrangeGlass" << true;
}

void TestSkinEngine::colourSteps()
{
    QFETCH(QString, name);
    QFETCH(bool, tinted);
    installTheme(QStringLiteral("msn"), m_skins);
    installTheme(QStringLiteral("OrangeGlass"), m_skins);
    fillList();
    apply(name);

    const QColor mainFrame = ThemeEngine::FrameColor(Form1);
    const QColor historyFrame = ThemeEngine::FrameColor(HForm);
    QVERIFY(mainFrame != Form1->palette().color(QPalette::Window));

    // The splitter bar is drawn in the main window's frame colour.
    Form1->resize(640, 480);
    Form1->centralWidget()->layout()->activate();
    QSplitterHandle *handle = Form1->Splitter1->handle(1);
    handle->resize(5, 40);
    QCOMPARE(handle->grab().toImage().pixelColor(2, 20), mainFrame);

    // The grids: title row in the history frame's colour, cells white or, tinted, the main
    // frame's colour.
    const QColor cells = tinted ? mainFrame : QColor(0xFF, 0xFF, 0xFF);
    for (QTableView *grid : grids()) {
        QVERIFY(grid->styleSheet().contains(historyFrame.name()));
        QCOMPARE(grid->palette().color(QPalette::Base), cells);
    }
    HForm->DBGrid1->resize(300, 120);
    QHeaderView *titles = HForm->DBGrid1->horizontalHeader();
    const QImage title = titles->grab().toImage();
    QCOMPARE(title.pixelColor(3, title.height() / 2), historyFrame);

    // The page controls take the main frame's colour only for the tinted names.
    for (QTabWidget *pages : {Form2->suiPageControl1, HForm->suiPageControl1}) {
        if (tinted)
            QVERIFY(pages->styleSheet().contains(mainFrame.name()));
        else
            QVERIFY(pages->styleSheet().isEmpty());
    }
}

void TestSkinEngine::tintedThenPlainStyle()
{
    installTheme(QStringLiteral("OrangeGlass"), m_skins);
    fillList();
    apply(QStringLiteral("OrangeGlass"));
    const QColor orange = ThemeEngine::FrameColor(Form1);
    QCOMPARE(HForm->DBGrid2->palette().color(QPalette::Base), orange);
    QVERIFY(!Form2->suiPageControl1->styleSheet().isEmpty());
    apply(QStringLiteral("BlueGlass"));
    for (QTableView *grid : grids())
        QCOMPARE(grid->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0xFF));
    QVERIFY(Form2->suiPageControl1->styleSheet().isEmpty());
    QVERIFY(HForm->suiPageControl1->styleSheet().isEmpty());
}

void TestSkinEngine::applySkinReadsTheSettingsList()
{
    fillList();
    // Nothing selected: nothing happens.
    ApplySkin();
    for (QWidget *window : sevenWindows())
        QVERIFY(window->styleSheet().isEmpty());
    Form2->ListBox1->setCurrentRow(2);
    ApplySkin();
    for (QWidget *window : sevenWindows())
        QCOMPARE(ThemeEngine::UIStyle(window), TsuiUIStyle::Protein);
}

void TestSkinEngine::restoreSetsTheClassOfTheSavedName_data()
{
    QTest::addColumn<QString>("saved");
    QTest::addColumn<LayoutClass>("layoutClass");
    QTest::newRow("a built-in style") << "Protein" << LayoutClass::Standard;
    QTest::newRow("msn") << "msn" << LayoutClass::Msn;
    QTest::newRow("mp10") << "mp10" << LayoutClass::Mp10;
    QTest::newRow("Longhorn") << "Longhorn" << LayoutClass::Mp10;
    QTest::newRow("another theme file") << "Graphite" << LayoutClass::Standard;
}

void TestSkinEngine::restoreSetsTheClassOfTheSavedName()
{
    QFETCH(QString, saved);
    QFETCH(LayoutClass, layoutClass);
    for (const char *name : {"msn", "mp10", "Longhorn", "Graphite"})
        installTheme(QLatin1String(name), m_skins);
    const Placement built = placement();
    QCOMPARE(LayoutClassOfPanelTop(CurrentLayout().mainPanelTop), LayoutClass::None);
    RestoreSkin(saved, m_skins);
    QCOMPARE(CurrentLayout(), LayoutValuesOf(layoutClass));
    QCOMPARE(Form2->ListBox1->currentItem()->text(), saved);
    QVERIFY(Form2->ListBox1->currentItem()->isSelected());
    QCOMPARE(placement(),
             shifted(built, offsetOf(layoutClass, true), offsetOf(layoutClass, false)));
}

void TestSkinEngine::layoutMoves_data()
{
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QStringList>("picked");
    QTest::addColumn<LayoutClass>("expected");
    QTest::newRow("standard, then msn: down 15/14")
        << "WinXP" << QStringList{"msn"} << LayoutClass::Msn;
    QTest::newRow("standard, then msn, then WinXP: back")
        << "WinXP" << QStringList{"msn", "WinXP"} << LayoutClass::Standard;
    QTest::newRow("standard, then mp10: down 10/7")
        << "BlueGlass" << QStringList{"mp10"} << LayoutClass::Mp10;
    QTest::newRow("mp10, then Longhorn: nothing moves")
        << "mp10" << QStringList{"Longhorn"} << LayoutClass::Mp10;
    QTest::newRow("mp10, then msn: down 5/7") << "mp10" << QStringList{"msn"} << LayoutClass::Msn;
    QTest::newRow("msn, then Longhorn: up 5/7")
        << "msn" << QStringList{"Longhorn"} << LayoutClass::Mp10;
    QTest::newRow("msn, then OrangeGlass: up 15/14")
        << "msn" << QStringList{"OrangeGlass"} << LayoutClass::Standard;
    QTest::newRow("Longhorn, then DeepBlue: up 10/7")
        << "Longhorn" << QStringList{"DeepBlue"} << LayoutClass::Standard;
    QTest::newRow("there and back through every class")
        << "Protein" << QStringList{"msn", "mp10", "Graphite", "Longhorn", "msn", "BlueGlass"}
        << LayoutClass::Standard;
}

void TestSkinEngine::layoutMoves()
{
    QFETCH(QString, saved);
    QFETCH(QStringList, picked);
    QFETCH(LayoutClass, expected);
    for (const char *name : {"msn", "mp10", "Longhorn", "Graphite", "OrangeGlass"})
        installTheme(QLatin1String(name), m_skins);
    const Placement built = placement();
    RestoreSkin(saved, m_skins);
    fillList();
    for (const QString &name : picked)
        apply(name);
    QCOMPARE(CurrentLayout(), LayoutValuesOf(expected));
    QCOMPARE(placement(), shifted(built, offsetOf(expected, true), offsetOf(expected, false)));
}

void TestSkinEngine::noClassWithoutASavedStyle()
{
    installTheme(QStringLiteral("msn"), m_skins);
    const Placement built = placement();
    fillList();
    apply(QStringLiteral("msn"));
    // The look changes, the layout does not.
    QCOMPARE(ThemeEngine::UIStyle(Form1), TsuiUIStyle::FromThemeFile);
    QCOMPARE(ThemeEngine::LoadedTheme()->name, QStringLiteral("msn"));
    QCOMPARE(CurrentLayout(), LayoutValuesOf(LayoutClass::None));
    QCOMPARE(placement(), built);
}

void TestSkinEngine::restoreSelectsTheLastEqualEntry()
{
    testsupport::writeFile(m_skins + QStringLiteral("WinXP.sui"),
                           "PalavrixTheme 1\nName=WinXP\nFrameColor=#102030\n[StyleSheet]\n"
                           "*[themeWindow=\"true\"] { background-color: #102030; }\n");
    RestoreSkin(QStringLiteral("WinXP"), m_skins);
    QCOMPARE(Form2->ListBox1->count(), 5);
    QCOMPARE(Form2->ListBox1->currentRow(), 4);
    QCOMPARE(ThemeEngine::ThemeFilePath(), m_skins + QStringLiteral("WinXP.sui"));
    for (QWidget *window : sevenWindows())
        QCOMPARE(ThemeEngine::UIStyle(window), TsuiUIStyle::FromThemeFile);

    // The next showing of the settings window selects the built-in entry without applying it.
    fillList();
    QCOMPARE(Form2->ListBox1->currentRow(), 3);
    QVERIFY(Form2->ListBox1->currentItem()->isSelected());
    QCOMPARE(ThemeEngine::UIStyle(Form1), TsuiUIStyle::FromThemeFile);
    QCOMPARE(ThemeEngine::FrameColor(Form1), QColor(0x10, 0x20, 0x30));
}

void TestSkinEngine::restoreOfAnUnknownName()
{
    const Placement built = placement();
    RestoreSkin(QStringLiteral("Gone"), m_skins);
    QCOMPARE(Form2->ListBox1->count(), 4);
    QVERIFY(Form2->ListBox1->selectedItems().isEmpty());
    for (QWidget *window : sevenWindows()) {
        QVERIFY(window->styleSheet().isEmpty());
        QCOMPARE(ThemeEngine::UIStyle(window), TsuiUIStyle::FromThemeFile);
    }
    // The standard layout is set and the colour steps run.
    QCOMPARE(CurrentLayout(), LayoutValuesOf(LayoutClass::Standard));
    QCOMPARE(placement(), built);
    QVERIFY(Form1->Splitter1->styleSheet().contains(ThemeEngine::FrameColor(Form1).name()));
    QVERIFY2(errorTexts().isEmpty(), qPrintable(errorTexts().join(u'|')));
}

void TestSkinEngine::invalidThemeFileIsRejected()
{
    installTheme(QStringLiteral("msn"), m_skins);
    writeBadTheme(QStringLiteral("Bad"));
    RestoreSkin(QStringLiteral("msn"), m_skins);
    fillList();
    QStringList sheets;
    for (QWidget *window : sevenWindows())
        sheets.append(window->styleSheet());
    const QString splitter = Form1->Splitter1->styleSheet();
    const Placement before = placement();

    try {
        apply(QStringLiteral("Bad"));
        QFAIL("the invalid theme file was applied");
    } catch (const EThemeFileError &error) {
        QCOMPARE(error.message(),
                 QStringLiteral("Invalid theme file \"%1Bad.sui\" (line 3): FrameColor "
                                "\"orange\" is not a colour written as #RRGGBB")
                     .arg(m_skins));
    }
    QStringList after;
    for (QWidget *window : sevenWindows())
        after.append(window->styleSheet());
    QCOMPARE(after, sheets);
    QCOMPARE(Form1->Splitter1->styleSheet(), splitter);
    QCOMPARE(placement(), before);
    QCOMPARE(CurrentLayout(), LayoutValuesOf(LayoutClass::Msn));
    QCOMPARE(ThemeEngine::ThemeFilePath(), m_skins + QStringLiteral("msn.sui"));
}

void TestSkinEngine::rejectedStoredThemeIsReported()
{
    writeBadTheme(QStringLiteral("Bad"));
    const Placement built = placement();
    RestoreSkin(QStringLiteral("Bad"), m_skins);
    const QStringList errors = errorTexts();
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors.first().startsWith(QStringLiteral("Invalid theme file")));
    QVERIFY(errors.first().contains(QStringLiteral("Bad.sui")));
    for (QWidget *window : sevenWindows())
        QVERIFY(window->styleSheet().isEmpty());
    QCOMPARE(placement(), built);
    // The entry stays selected, so it is saved again at exit.
    QCOMPARE(Form2->ListBox1->currentItem()->text(), QStringLiteral("Bad"));
}

void TestSkinEngine::missingThemeFileKeepsTheLastLoadedLook()
{
    installTheme(QStringLiteral("OrangeGlass"), m_skins);
    testsupport::writeFile(m_skins + QStringLiteral("Loud.SUI"), "PalavrixTheme 1\n");
    installTheme(QStringLiteral("msn"), m_skins);
    RestoreSkin(QStringLiteral("OrangeGlass"), m_skins);
    fillList();
    const QString orangeSheet = Form1->styleSheet();

    // A capital extension: the file looked for is "Loud.SUI.sui", which is not there.
    apply(QStringLiteral("Loud.SUI"));
    QVERIFY(errorTexts().isEmpty());
    QCOMPARE(ThemeEngine::ThemeFilePath(), m_skins + QStringLiteral("OrangeGlass.sui"));
    for (QWidget *window : sevenWindows()) {
        QCOMPARE(ThemeEngine::UIStyle(window), TsuiUIStyle::FromThemeFile);
        QCOMPARE(window->styleSheet(), orangeSheet);
    }
    // The colour steps ran for the picked name, which is not tinted.
    QVERIFY(Form2->suiPageControl1->styleSheet().isEmpty());

    // A theme file removed after the list was filled: the same, and its layout still applies.
    QVERIFY(QFile::remove(m_skins + QStringLiteral("msn.sui")));
    apply(QStringLiteral("msn"));
    QCOMPARE(ThemeEngine::ThemeFilePath(), m_skins + QStringLiteral("OrangeGlass.sui"));
    QCOMPARE(CurrentLayout(), LayoutValuesOf(LayoutClass::Msn));
}

void TestSkinEngine::startUpAppliesTheSavedStyle()
{
    // The whole program's path: Chat.cfg names the style, the main window's first showing
    // restores it from the Skins folder beside the executable (here the temporary folder).
    const QString skins = SkinsFolder();
    QCOMPARE(skins, m_skins);
    installTheme(QStringLiteral("msn"), skins);
    m_windows.reset();
    QFile::remove(m_dir->filePath(QStringLiteral("Chat.cfg")));
    testsupport::writeChatCfg(m_dir->path(), QStringLiteral("Гость"),
                              {{QStringLiteral("Skin"), QStringLiteral("Skin=msn")}});
    createWindows();
    Form1->show();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const QString loaded = ThemeEngine::ThemeFilePath();
    const LayoutValues layout = CurrentLayout();
    const QListWidgetItem *selected = Form2->ListBox1->currentItem();
    const QString selectedText = selected ? selected->text() : QString();
    const TsuiUIStyle style = ThemeEngine::UIStyle(Form6);
    const QString nick = m_windows->Services().Session().OwnNick();
    m_windows.reset();

    QCOMPARE(nick, QStringLiteral("Гость"));
    QCOMPARE(loaded, skins + QStringLiteral("msn.sui"));
    QCOMPARE(layout, LayoutValuesOf(LayoutClass::Msn));
    QCOMPARE(selectedText, QStringLiteral("msn"));
    QCOMPARE(style, TsuiUIStyle::FromThemeFile);
}

void TestSkinEngine::renderWindows_data()
{
    QTest::addColumn<QString>("look");
    QTest::newRow("Default") << QString();
    for (const QString &name : BuiltInSkinNames())
        QTest::newRow(qPrintable(name)) << name;
    for (const char *name : {"OrangeGlass", "msn", "mp10", "Longhorn", "Graphite"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestSkinEngine::renderWindows()
{
    QFETCH(QString, look);
    for (const char *name : {"OrangeGlass", "msn", "mp10", "Longhorn", "Graphite"})
        installTheme(QLatin1String(name), m_skins);
    const QString tag = look.isEmpty() ? QStringLiteral("Default") : look;
    if (!look.isEmpty())
        RestoreSkin(look, m_skins);
    QVERIFY(errorTexts().isEmpty());

    // Some content, so the windows look as they do in use.
    m_windows->Services().Session().setOwnNick(QStringLiteral("Гость"));
    Form1->FirstShow = false;
    Form1->RichEdit1->AppendLine(QStringLiteral("[12:00:05] Гость: Привет всем!"), Qt::black,
                                 false);
    Form1->RichEdit1->AppendLine(QStringLiteral("[12:00:09] Иван: Привет!"), Qt::red, false);
    Form1->RichEdit2->AppendLine(QStringLiteral("Гость"), Qt::black, false);
    Form1->RichEdit2->AppendLine(QStringLiteral("Иван"), Qt::red, false);
    Form4->RichEdit1->AppendLine(QStringLiteral("Гость -> Иван [12:01:00]"), Qt::blue, true);
    Form4->RichEdit1->AppendLine(QStringLiteral("Как дела?"), Qt::blue, true);
    Form1->ApplyBackgroundColor();

    const QList<std::pair<QString, QWidget *>> windows{
        {QStringLiteral("main"), Form1},    {QStringLiteral("about"), Form3},
        {QStringLiteral("private"), Form4}, {QStringLiteral("history"), HForm},
        {QStringLiteral("search"), Form5},  {QStringLiteral("viewer"), Form6}};
    for (const auto &[name, window] : windows) {
        window->show();
        // Nothing is squeezed: a window of fixed size has room for what its layout needs.
        QLayout *layout = window->layout();
        if (layout && window->minimumSize() == window->maximumSize()) {
            const QSize needed = layout->totalMinimumSize();
            QVERIFY2(needed.width() <= window->width() && needed.height() <= window->height(),
                     qPrintable(QStringLiteral("%1 needs %2x%3, has %4x%5")
                                    .arg(name)
                                    .arg(needed.width())
                                    .arg(needed.height())
                                    .arg(window->width())
                                    .arg(window->height())));
        }
        const QString path =
            skintest::renderToPng(window, QStringLiteral("window-%1-%2").arg(tag, name));
        QVERIFY2(!path.isEmpty(), qPrintable(name));
    }
    Form2->show();
    for (int page = 0; page < Form2->suiPageControl1->count(); ++page) {
        Form2->suiPageControl1->setCurrentIndex(page);
        QWidget *sheet = Form2->suiPageControl1->currentWidget();
        const QSize needed = sheet->minimumSizeHint();
        QVERIFY2(needed.width() <= sheet->width() && needed.height() <= sheet->height(),
                 qPrintable(QStringLiteral("page %1 needs %2x%3, has %4x%5")
                                .arg(page + 1)
                                .arg(needed.width())
                                .arg(needed.height())
                                .arg(sheet->width())
                                .arg(sheet->height())));
        QVERIFY(!skintest::renderToPng(
                     Form2, QStringLiteral("window-%1-settings%2").arg(tag).arg(page + 1))
                     .isEmpty());
    }
    for (QWidget *window : sevenWindows())
        window->hide();
}

PALAVRIX_TEST_MAIN(TestSkinEngine)
#include "tst_SkinEngine.moc"
