#include "AboutAnimation.h"
#include "AboutWindow.h"
#include "AppPaths.h"
#include "BuiltInThemes.h"
#include "RenderSupport.h"
#include "SkinEngine.h"
#include "SkinSearch.h"
#include "TestSupport.h"
#include "ThemeEngine.h"
#include "ThemeFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>

#include <memory>

// Receives the addresses the link labels ask the system to open.
class UrlCatcher final : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

class TestSkinLooks final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    // The theme engine.
    void defaultLookBeforeAnyStyle();
    void builtInStyles_data();
    void builtInStyles();
    void themeFileStyle();
    void missingThemeFileKeepsTheLoadedOne();
    void themeFileBesideTheExecutable();
    void invalidThemeFileKeepsTheLoadedOne();
    void userColoursSurviveARestyle_data();
    void userColoursSurviveARestyle();

    // The style list.
    void fillOfAnEmptyFolder();
    void fillListsAtMost250Files();
    void fillListsACapitalExtensionWhole();
    void fillKeepsTheSelectionByText();
    void fillSelectsTheFirstEqualEntry();
    void fillLosesARemovedSelection();
    void fillWithoutSelectionSelectsNothing();

    // The About window.
    void aboutFrame();
    void aboutControls_data();
    void aboutControls();
    void aboutTextsArePlain();
    void aboutColoursAndFonts();
    void linkColoursFollowEveryThemeChange_data();
    void linkColoursFollowEveryThemeChange();
    void animationTiming();
    void animationRunsWhileShown();
    void closingByTheFrameStopsTheAnimation();
    void showingTwiceKeepsItAnimated();
    void animationFramesLoop();
    void linkLabels_data();
    void linkLabels();

    // Pictures of every look.
    void renderSampleWindows();
    void renderAboutWindows();
    void renderAnimationFrames();

private:
    static std::unique_ptr<QMainWindow> sampleWindow();
    QString writeTheme(const QString &name, const QByteArray &bytes);

    QTemporaryDir m_dir;
    QString m_skins;
    UrlCatcher m_urls;
    std::unique_ptr<TForm3> m_about;
    std::unique_ptr<QWidget> m_window;
};

namespace
{

QByteArray themeText(const QString &name, const QString &frame, const QString &sheet)
{
    return QStringLiteral("PalavrixTheme 1\nName=%1\nFrameColor=%2\n[StyleSheet]\n%3\n")
        .arg(name, frame, sheet)
        .toUtf8();
}

QByteArray sampleTheme(const QString &name, const QString &frame)
{
    return themeText(
        name, frame,
        QStringLiteral("*[themeWindow=\"true\"] { background-color: %1; }").arg(frame));
}

QStringList texts(const QListWidget &list)
{
    QStringList entries;
    for (int i = 0; i < list.count(); ++i)
        entries.append(list.item(i)->text());
    return entries;
}

int selectedRow(const QListWidget &list)
{
    const QList<QListWidgetItem *> selected = list.selectedItems();
    return selected.isEmpty() ? -1 : list.row(selected.first());
}

// The mean difference of two images of the same size, per channel, 0 … 255.
double difference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
        }
    }
    return sum / (4.0 * x.width() * x.height());
}

} // namespace

void TestSkinLooks::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_skins = m_dir.filePath(QStringLiteral("Skins")) + u'/';
    QVERIFY(QDir().mkpath(m_skins));
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_urls, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &m_urls, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_urls, "open");
}

void TestSkinLooks::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

void TestSkinLooks::init()
{
    ThemeEngine::UnloadThemeFile();
    SharedSkinSearch().clear();
    m_urls.opened.clear();
    m_about = std::make_unique<TForm3>();
    Form3 = m_about.get();
    m_window = std::make_unique<QWidget>();
    m_window->setObjectName(QStringLiteral("Window"));
}

void TestSkinLooks::cleanup()
{
    m_window.reset();
    Form3 = nullptr;
    m_about.reset();
    ThemeEngine::UnloadThemeFile();
    QDir(m_skins).removeRecursively();
    QDir().mkpath(m_skins);
}

QString TestSkinLooks::writeTheme(const QString &name, const QByteArray &bytes)
{
    const QString path = m_skins + name;
    testsupport::writeFile(path, bytes);
    return path;
}

void TestSkinLooks::defaultLookBeforeAnyStyle()
{
    QCOMPARE(ThemeEngine::UIStyle(m_window.get()), TsuiUIStyle::FromThemeFile);
    QVERIFY(m_window->styleSheet().isEmpty());
    QCOMPARE(ThemeEngine::FrameColor(m_window.get()), m_window->palette().color(QPalette::Window));
    QVERIFY(ThemeEngine::ThemeFilePath().isEmpty());
    // FromThemeFile with no theme file loaded is still the default look.
    ThemeEngine::SetUIStyle(m_window.get(), TsuiUIStyle::FromThemeFile);
    QVERIFY(m_window->styleSheet().isEmpty());
    QCOMPARE(ThemeEngine::FrameColor(m_window.get()), m_window->palette().color(QPalette::Window));
}

void TestSkinLooks::builtInStyles_data()
{
    QTest::addColumn<int>("style");
    for (int i = 0; i < 4; ++i)
        QTest::newRow(qPrintable(BuiltInSkinNames()[i])) << int(*BuiltInStyleOfIndex(i));
}

void TestSkinLooks::builtInStyles()
{
    QFETCH(int, style);
    const auto uiStyle = TsuiUIStyle(style);
    ThemeEngine::SetUIStyle(m_window.get(), uiStyle);
    QCOMPARE(ThemeEngine::UIStyle(m_window.get()), uiStyle);
    QCOMPARE(m_window->styleSheet(), BuiltInTheme(uiStyle).styleSheet);
    QCOMPARE(ThemeEngine::FrameColor(m_window.get()), BuiltInTheme(uiStyle).frameColor);
    QVERIFY(m_window->property("themeWindow").toBool());

    // The window body is drawn in the style: a pixel away from every control differs from
    // the default look.
    auto plain = std::make_unique<QWidget>();
    plain->resize(60, 40);
    m_window->resize(60, 40);
    const QColor styled = m_window->grab().toImage().pixelColor(30, 20);
    const QColor unstyled = plain->grab().toImage().pixelColor(30, 20);
    QVERIFY2(styled != unstyled, qPrintable(styled.name()));
}

void TestSkinLooks::themeFileStyle()
{
    const QString path =
        writeTheme(QStringLiteral("Sample.sui"),
                   sampleTheme(QStringLiteral("Sample"), QStringLiteral("#123456")));
    ThemeEngine::LoadThemeFile(path);
    QCOMPARE(ThemeEngine::ThemeFilePath(), path);
    QVERIFY(ThemeEngine::LoadedTheme());
    // Loading alone changes no window; setting the style does.
    QVERIFY(m_window->styleSheet().isEmpty());
    ThemeEngine::SetUIStyle(m_window.get(), TsuiUIStyle::FromThemeFile);
    QCOMPARE(m_window->styleSheet(), ThemeEngine::LoadedTheme()->styleSheet);
    QCOMPARE(ThemeEngine::FrameColor(m_window.get()), QColor(0x12, 0x34, 0x56));
    m_window->resize(40, 30);
    QCOMPARE(m_window->grab().toImage().pixelColor(20, 15), QColor(0x12, 0x34, 0x56));

    // A built-in style set afterwards replaces the theme file's look entirely.
    ThemeEngine::SetUIStyle(m_window.get(), TsuiUIStyle::WinXP);
    QCOMPARE(ThemeEngine::FrameColor(m_window.get()), BuiltInTheme(TsuiUIStyle::WinXP).frameColor);
}

void TestSkinLooks::missingThemeFileKeepsTheLoadedOne()
{
    const QString path =
        writeTheme(QStringLiteral("First.sui"),
                   sampleTheme(QStringLiteral("First"), QStringLiteral("#112233")));
    ThemeEngine::LoadThemeFile(path);
    const QStringList missingFiles{m_skins + QStringLiteral("Gone.sui"),
                                   m_skins + QStringLiteral("Loud.SUI.sui")};
    for (const QString &missing : missingFiles) {
        ThemeEngine::LoadThemeFile(missing);
        QCOMPARE(ThemeEngine::ThemeFilePath(), path);
    }
    // A folder is not a theme file either.
    QVERIFY(QDir(m_skins).mkdir(QStringLiteral("Folder.sui")));
    ThemeEngine::LoadThemeFile(m_skins + QStringLiteral("Folder.sui"));
    QCOMPARE(ThemeEngine::ThemeFilePath(), path);
    ThemeEngine::SetUIStyle(m_window.get(), TsuiUIStyle::FromThemeFile);
    QCOMPARE(ThemeEngine::FrameColor(m_window.get()), QColor(0x11, 0x22, 0x33));
}

void TestSkinLooks::themeFileBesideTheExecutable()
{
    // Nothing at the given path: the file of the same name beside the executable is used.
    const QString name =
        QStringLiteral("BesideTheProgram%1.sui").arg(QCoreApplication::applicationPid());
    const QString beside = QCoreApplication::applicationDirPath() + u'/' + name;
    testsupport::writeFile(beside,
                           sampleTheme(QStringLiteral("Beside"), QStringLiteral("#445566")));
    ThemeEngine::LoadThemeFile(m_skins + name);
    const QString loaded = ThemeEngine::ThemeFilePath();
    QFile::remove(beside);
    QCOMPARE(loaded, beside);
    QCOMPARE(ThemeEngine::LoadedTheme()->frameColor, QColor(0x44, 0x55, 0x66));
}

void TestSkinLooks::invalidThemeFileKeepsTheLoadedOne()
{
    const QString good = writeTheme(QStringLiteral("Good.sui"),
                                    sampleTheme(QStringLiteral("Good"), QStringLiteral("#0000AA")));
    ThemeEngine::LoadThemeFile(good);
    ThemeEngine::SetUIStyle(m_window.get(), TsuiUIStyle::FromThemeFile);
    const QString sheet = m_window->styleSheet();
    const QString bad = writeTheme(QStringLiteral("Bad.sui"), "Name=Bad\n");
    try {
        ThemeEngine::LoadThemeFile(bad);
        QFAIL("the invalid file was loaded");
    } catch (const EThemeFileError &error) {
        QVERIFY(error.message().contains(bad));
    }
    QCOMPARE(ThemeEngine::ThemeFilePath(), good);
    QCOMPARE(m_window->styleSheet(), sheet);
    QCOMPARE(ThemeEngine::FrameColor(m_window.get()), QColor(0x00, 0x00, 0xAA));
}

void TestSkinLooks::userColoursSurviveARestyle_data()
{
    builtInStyles_data();
}

void TestSkinLooks::userColoursSurviveARestyle()
{
    QFETCH(int, style);
    // The conversation views keep the background colour the user picked.
    auto *layout = new QVBoxLayout(m_window.get());
    auto *view = new QPlainTextEdit;
    layout->addWidget(view);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, QColor(0xFF, 0xFF, 0x00));
    view->setPalette(palette);
    m_window->resize(200, 150);
    ThemeEngine::SetUIStyle(m_window.get(), TsuiUIStyle(style));
    ThemeEngine::SetUIStyle(m_window.get(), TsuiUIStyle::WinXP);
    ThemeEngine::SetUIStyle(m_window.get(), TsuiUIStyle(style));
    QCOMPARE(view->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0x00));
    const QImage image = m_window->grab().toImage();
    QCOMPARE(image.pixelColor(view->geometry().center()), QColor(0xFF, 0xFF, 0x00));
}

void TestSkinLooks::fillOfAnEmptyFolder()
{
    QListWidget list;
    FillSkinList(&list, m_skins);
    QCOMPARE(texts(list), BuiltInSkinNames());
    QCOMPARE(selectedRow(list), -1);
    QListWidget missing;
    FillSkinList(&missing, m_dir.filePath(QStringLiteral("NoSuchFolder/")));
    QCOMPARE(texts(missing), BuiltInSkinNames());
}

void TestSkinLooks::fillListsAtMost250Files()
{
    for (int i = 0; i < 300; ++i)
        writeTheme(QStringLiteral("T%1.sui").arg(i, 3, 10, QLatin1Char('0')), "PalavrixTheme 1\n");
    QListWidget list;
    FillSkinList(&list, m_skins);
    QCOMPARE(list.count(), 254);
    QCOMPARE(texts(list).mid(0, 4), BuiltInSkinNames());
    const QStringList names = texts(list).mid(4);
    QCOMPARE(QSet<QString>(names.cbegin(), names.cend()).size(), 250);
    for (const QString &name : names)
        QVERIFY(QFile::exists(m_skins + name + QLatin1String(".sui")));
    // A second showing scans from the first file again and lists the same 250.
    FillSkinList(&list, m_skins);
    QCOMPARE(texts(list).mid(4), names);
}

void TestSkinLooks::fillListsACapitalExtensionWhole()
{
    writeTheme(QStringLiteral("Loud.SUI"), sampleTheme(QStringLiteral("Loud"), "#FF0000"));
    writeTheme(QStringLiteral("quiet.sui"), sampleTheme(QStringLiteral("quiet"), "#00FF00"));
    QListWidget list;
    FillSkinList(&list, m_skins);
    QStringList files = texts(list).mid(4);
    files.sort();
    QCOMPARE(files, (QStringList{QStringLiteral("Loud.SUI"), QStringLiteral("quiet")}));
}

void TestSkinLooks::fillKeepsTheSelectionByText()
{
    writeTheme(QStringLiteral("msn.sui"), sampleTheme(QStringLiteral("msn"), "#7DB3E8"));
    QListWidget list;
    FillSkinList(&list, m_skins);
    QCOMPARE(list.count(), 5);
    list.setCurrentRow(4);
    QCOMPARE(list.currentItem()->text(), QStringLiteral("msn"));

    // Theme files added in between: the same text stays selected wherever it now is.
    for (const char *name : {"a.sui", "b.sui", "c.sui"})
        writeTheme(QLatin1String(name), "PalavrixTheme 1\n");
    QSignalSpy clicked(&list, &QListWidget::itemClicked);
    QSignalSpy moved(&list, &QListWidget::currentRowChanged);
    FillSkinList(&list, m_skins);
    QCOMPARE(list.count(), 8);
    QCOMPARE(list.currentItem()->text(), QStringLiteral("msn"));
    QVERIFY(list.currentItem()->isSelected());
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(moved.count(), 0);
}

void TestSkinLooks::fillSelectsTheFirstEqualEntry()
{
    writeTheme(QStringLiteral("WinXP.sui"), sampleTheme(QStringLiteral("WinXP"), "#2C63C9"));
    QListWidget list;
    FillSkinList(&list, m_skins);
    QCOMPARE(texts(list), BuiltInSkinNames() + QStringList{QStringLiteral("WinXP")});
    list.setCurrentRow(4);
    FillSkinList(&list, m_skins);
    QCOMPARE(selectedRow(list), 3);
}

void TestSkinLooks::fillLosesARemovedSelection()
{
    const QString path = writeTheme(QStringLiteral("Gone.sui"), sampleTheme("Gone", "#000000"));
    QListWidget list;
    FillSkinList(&list, m_skins);
    list.setCurrentRow(4);
    QVERIFY(QFile::remove(path));
    FillSkinList(&list, m_skins);
    QCOMPARE(texts(list), BuiltInSkinNames());
    QCOMPARE(selectedRow(list), -1);
}

void TestSkinLooks::fillWithoutSelectionSelectsNothing()
{
    QListWidget list;
    FillSkinList(&list, m_skins);
    FillSkinList(&list, m_skins);
    QCOMPARE(texts(list), BuiltInSkinNames());
    QCOMPARE(selectedRow(list), -1);
}

void TestSkinLooks::aboutFrame()
{
    TForm3 &about = *m_about;
    QCOMPARE(about.objectName(), QStringLiteral("Form3"));
    QCOMPARE(about.windowTitle(), QStringLiteral("О программе..."));
    QCOMPARE(about.size(), QSize(314, 246));
    QCOMPARE(about.minimumSize(), about.maximumSize());
    const Qt::WindowFlags flags = about.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!about.isModal());
    QVERIFY(!about.isVisible());
    QVERIFY(!about.RxGIFAnimator1->Animate());
}

void TestSkinLooks::aboutControls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<QSize>("size"); // invalid: as large as its text
    QTest::addColumn<QString>("text");
    const QSize text;
    QTest::newRow("animation") << "RxGIFAnimator1" << QPoint(8, 53) << QSize(90, 90) << QString();
    QTest::newRow("title") << "Label1" << QPoint(112, 51) << text << " Palavrix v1.7";
    QTest::newRow("upper rule") << "Panel2" << QPoint(112, 71) << QSize(193, 3) << QString();
    QTest::newRow("author") << "Label3" << QPoint(112, 75) << text << "Author: The Palavrix Team";
    QTest::newRow("status") << "Label4" << QPoint(112, 91) << text << "Status: Freeware ";
    // A link stands right after its caption (position left out here).
    QTest::newRow("themes caption") << "Label6" << QPoint(112, 107) << text << "Темы:";
    QTest::newRow("themes link") << "suiURLLabel2" << QPoint() << text << "themes.md";
    QTest::newRow("home page caption") << "Label2" << QPoint(112, 123) << text << "HomePage:";
    QTest::newRow("home page link") << "suiURLLabel1" << QPoint() << text << "README.md";
    QTest::newRow("lower rule") << "Panel3" << QPoint(112, 139) << QSize(193, 3) << QString();
    QTest::newRow("sentence")
        << "StaticText1" << QPoint(8, 157) << QSize(297, 49)
        << "UDP чат для локальных сетей. Работает без серверной части, не требует настройки.";
    QTest::newRow("OK") << "Button1" << QPoint(240, 216) << QSize(65, 24) << "OK";
}

void TestSkinLooks::aboutControls()
{
    QFETCH(QString, name);
    QFETCH(QPoint, position);
    QFETCH(QSize, size);
    QFETCH(QString, text);
    auto *control = m_about->findChild<QWidget *>(name);
    QVERIFY(control);
    if (position.isNull()) {
        const QWidget *caption = name == u"suiURLLabel1"_qs ? m_about->Label2 : m_about->Label6;
        position = QPoint(caption->geometry().right() + 5, caption->y() - 1);
    }
    QCOMPARE(control->pos(), position);
    if (size.isValid())
        QCOMPARE(control->size(), size);
    // Everything fits inside the window.
    QVERIFY(QRect(QPoint(0, 0), m_about->size()).contains(control->geometry()));
    if (auto *label = qobject_cast<QLabel *>(control)) {
        QCOMPARE(label->text(), text);
        // A label is as wide as its whole text.
        if (!size.isValid())
            QVERIFY(control->width() >= label->fontMetrics().horizontalAdvance(text));
    } else if (auto *button = qobject_cast<QPushButton *>(control)) {
        QCOMPARE(button->text(), text);
    }
}

void TestSkinLooks::aboutTextsArePlain()
{
    const QList<QLabel *> labels = m_about->findChildren<QLabel *>();
    QCOMPARE(labels.size(), 8);
    for (const QLabel *label : labels)
        QCOMPARE(label->textFormat(), Qt::PlainText);
}

void TestSkinLooks::aboutColoursAndFonts()
{
    const QColor highlight = QGuiApplication::palette().color(QPalette::Highlight);
    m_about->resize(314, 246);
    const QImage image = m_about->grab().toImage();
    QCOMPARE(image.pixelColor(m_about->Panel2->geometry().center()), highlight);
    QCOMPARE(image.pixelColor(m_about->Panel3->geometry().center()), highlight);
    for (QLabel *label : {m_about->Label1, m_about->Label3, m_about->Label4, m_about->Label6,
                          m_about->Label2, m_about->StaticText1}) {
        label->ensurePolished();
        QCOMPARE(label->palette().color(QPalette::WindowText), highlight);
    }
    QCOMPARE(m_about->Label1->font().pixelSize(), 17);
    QVERIFY(m_about->Label1->font().bold());
    for (QLabel *label : {m_about->Label3, m_about->Label4, m_about->Label6, m_about->Label2})
        QCOMPARE(label->font().pixelSize(), 11);
    // The link labels are blue in a light style; a dark style may lighten the blue.
    ThemeEngine::SetUIStyle(m_about.get(), TsuiUIStyle::Protein);
    m_about->suiURLLabel1->ensurePolished();
    QCOMPARE(m_about->suiURLLabel1->textColor(), QColor(0x00, 0x00, 0xFF));
    ThemeEngine::SetUIStyle(m_about.get(), TsuiUIStyle::DeepBlue);
    m_about->suiURLLabel1->ensurePolished();
    QCOMPARE(m_about->suiURLLabel1->linkColor(), QColor(0x7D, 0xB8, 0xFF));
    QCOMPARE(m_about->suiURLLabel1->hoverColor(), QColor(0xFF, 0x6B, 0x6B));
}

void TestSkinLooks::linkColoursFollowEveryThemeChange_data()
{
    QTest::addColumn<QString>("dark");
    QTest::addColumn<QString>("light");
    // A built-in style or a shipped theme file: the dark look first, then a light one.
    QTest::newRow("DeepBlue, then BlueGlass") << u"DeepBlue"_qs << u"BlueGlass"_qs;
    QTest::newRow("mp10, then WinXP") << u"mp10"_qs << u"WinXP"_qs;
    QTest::newRow("Longhorn, then OrangeGlass") << u"Longhorn"_qs << u"OrangeGlass"_qs;
    QTest::newRow("DeepBlue, then a theme without link colours")
        << u"DeepBlue"_qs << u"Graphite"_qs;
}

void TestSkinLooks::linkColoursFollowEveryThemeChange()
{
    QFETCH(QString, dark);
    QFETCH(QString, light);
    const auto apply = [this](const QString &look) {
        const QStringList builtIn{u"BlueGlass"_qs, u"DeepBlue"_qs, u"Protein"_qs, u"WinXP"_qs};
        const qsizetype index = builtIn.indexOf(look);
        if (index < 0)
            ThemeEngine::LoadThemeFile(QStringLiteral(PALAVRIX_SKINS_SOURCE_DIR "/") + look +
                                       u".sui"_qs);
        ThemeEngine::SetUIStyle(m_about.get(), index < 0 ? TsuiUIStyle::FromThemeFile
                                                         : *BuiltInStyleOfIndex(int(index)));
        m_about->suiURLLabel1->ensurePolished();
    };
    apply(light);
    const QColor link = m_about->suiURLLabel1->linkColor();
    const QColor hover = m_about->suiURLLabel1->hoverColor();
    apply(dark);
    QVERIFY(m_about->suiURLLabel1->linkColor() != link);
    apply(light);
    QCOMPARE(m_about->suiURLLabel1->linkColor(), link);
    QCOMPARE(m_about->suiURLLabel1->hoverColor(), hover);
    QCOMPARE(m_about->suiURLLabel2->linkColor(), link);
}

void TestSkinLooks::animationTiming()
{
    const AnimatedPicture &picture = *m_about->RxGIFAnimator1;
    QCOMPARE(picture.frameCount(), 109);
    QCOMPARE(picture.frameTimer().interval(), 100);
    QVERIFY(!picture.frameTimer().isSingleShot());
    QCOMPARE(picture.size(), QSize(90, 90));
    QCOMPARE(AboutFrameCount, 109);
    QCOMPARE(AboutFrameInterval, 100);
}

void TestSkinLooks::animationRunsWhileShown()
{
    AnimatedPicture &picture = *m_about->RxGIFAnimator1;
    m_about->show();
    QVERIFY(picture.Animate());
    QVERIFY(picture.frameTimer().isActive());
    m_about->Button1->click();
    QVERIFY(!m_about->isVisible());
    QVERIFY(!picture.Animate());
    // It can be shown again any number of times.
    m_about->show();
    QVERIFY(picture.Animate());
    m_about->Button1->click();
    QVERIFY(!picture.Animate());
}

void TestSkinLooks::closingByTheFrameStopsTheAnimation()
{
    m_about->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_about.get()));
    QVERIFY(m_about->RxGIFAnimator1->Animate());
    // The frame's close button sends the window a close event.
    QCloseEvent close;
    QCoreApplication::sendEvent(m_about->windowHandle(), &close);
    QVERIFY(!m_about->isVisible());
    QVERIFY(!m_about->RxGIFAnimator1->Animate());
}

void TestSkinLooks::showingTwiceKeepsItAnimated()
{
    AnimatedPicture &picture = *m_about->RxGIFAnimator1;
    m_about->show();
    picture.nextFrame();
    picture.nextFrame();
    m_about->show();
    QVERIFY(m_about->isVisible());
    QVERIFY(picture.Animate());
    QCOMPARE(picture.currentFrame(), 2);
    m_about->close();
}

void TestSkinLooks::animationFramesLoop()
{
    AnimatedPicture &picture = *m_about->RxGIFAnimator1;
    QCOMPARE(picture.currentFrame(), 0);
    for (int i = 1; i < 109; ++i) {
        picture.nextFrame();
        QCOMPARE(picture.currentFrame(), i);
    }
    picture.nextFrame();
    QCOMPARE(picture.currentFrame(), 0);

    // Neighbouring frames differ a little; the step from the last frame to the first is no
    // bigger than the steps in between, so the loop has no jump.
    double largestStep = 0;
    for (int i = 0; i + 1 < AboutFrameCount; ++i) {
        const double step = difference(AboutAnimationFrame(i), AboutAnimationFrame(i + 1));
        QVERIFY2(step > 0, qPrintable(QString::number(i)));
        largestStep = std::max(largestStep, step);
    }
    const double wrap =
        difference(AboutAnimationFrame(AboutFrameCount - 1), AboutAnimationFrame(0));
    QVERIFY2(wrap > 0 && wrap <= largestStep * 1.05, qPrintable(QString::number(wrap)));
    QCOMPARE(AboutAnimationFrame(AboutFrameCount), AboutAnimationFrame(0));
    QCOMPARE(AboutAnimationFrame(0).size(), QSize(90, 90));
}

void TestSkinLooks::linkLabels_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QUrl>("url");
    // The program's own documentation, shipped beside it.
    QTest::newRow("home page") << "suiURLLabel1"
                               << QUrl::fromLocalFile(apppaths::SharedFile(u"docs/README.md"_qs));
    QTest::newRow("themes") << "suiURLLabel2"
                            << QUrl::fromLocalFile(apppaths::SharedFile(u"docs/themes.md"_qs));
}

void TestSkinLooks::linkLabels()
{
    QFETCH(QString, name);
    QFETCH(QUrl, url);
    auto *link = m_about->findChild<URLLabel *>(name);
    QVERIFY(link);
    QCOMPARE(link->url(), url);
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(link->textFormat(), Qt::PlainText);
    QVERIFY(link->font().underline());
    QCOMPARE(link->textColor(), QColor(0x00, 0x00, 0xFF));

    m_about->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_about.get()));
    const QPointF inside(link->rect().center());
    QEnterEvent enter(inside, link->mapToGlobal(inside), link->mapToGlobal(inside));
    QCoreApplication::sendEvent(link, &enter);
    QVERIFY(link->isHot());
    QCOMPARE(link->textColor(), QColor(0xFF, 0x00, 0x00));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(link, &leave);
    QCOMPARE(link->textColor(), QColor(0x00, 0x00, 0xFF));

    QTest::mouseClick(link, Qt::RightButton);
    QVERIFY(m_urls.opened.isEmpty());
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(m_urls.opened, QList<QUrl>{url});
    m_about->close();
}

std::unique_ptr<QMainWindow> TestSkinLooks::sampleWindow()
{
    auto window = std::make_unique<QMainWindow>();
    window->setWindowTitle(QStringLiteral("Образец"));
    QMenu *file = window->menuBar()->addMenu(QStringLiteral("Файл"));
    file->addAction(QStringLiteral("Выход..."));
    window->menuBar()->addMenu(QStringLiteral("Сервис"));
    window->menuBar()->addMenu(QStringLiteral("Справка"));
    QToolBar *tools = window->addToolBar(QStringLiteral("Tools"));
    tools->addAction(window->style()->standardIcon(QStyle::SP_DialogSaveButton),
                     QStringLiteral("a"));
    tools->addSeparator();
    tools->addAction(window->style()->standardIcon(QStyle::SP_DialogHelpButton),
                     QStringLiteral("b"));
    auto *bar = new QStatusBar;
    for (const char *text : {"12:00:00", "Caps : OFF", "Пользователей в чате: 3"}) {
        auto *panel = new QLabel(QString::fromUtf8(text));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        bar->addWidget(panel);
    }
    window->setStatusBar(bar);

    auto *central = new QWidget;
    auto *layout = new QHBoxLayout(central);
    auto *pages = new QTabWidget;
    auto *page = new QWidget;
    auto *pageLayout = new QVBoxLayout(page);
    auto *group = new QGroupBox(QStringLiteral("Прозрачность"));
    auto *groupLayout = new QVBoxLayout(group);
    auto *on = new QCheckBox(QStringLiteral("Регулировать прозрачность"));
    on->setChecked(true);
    groupLayout->addWidget(on);
    groupLayout->addWidget(new QCheckBox(QStringLiteral("Показывать IP отправителя")));
    auto *slider = new QSlider(Qt::Horizontal);
    slider->setRange(1, 17);
    slider->setValue(11);
    slider->setTickPosition(QSlider::TicksBelow);
    groupLayout->addWidget(slider);
    auto *radio = new QRadioButton(QStringLiteral("Свернуто"));
    radio->setChecked(true);
    groupLayout->addWidget(radio);
    groupLayout->addWidget(new QRadioButton(QStringLiteral("Нормально")));
    pageLayout->addWidget(group);
    auto *row = new QHBoxLayout;
    row->addWidget(new QLineEdit(QStringLiteral("Гость")));
    auto *combo = new QComboBox;
    combo->addItems({QStringLiteral("Черный"), QStringLiteral("Красный")});
    row->addWidget(combo);
    pageLayout->addLayout(row);
    auto *disabled = new QLineEdit(QStringLiteral("255.255.255.255"));
    disabled->setEnabled(false);
    pageLayout->addWidget(disabled);
    auto *list = new QListWidget;
    list->addItems(BuiltInSkinNames() + QStringList{"msn", "mp10", "Longhorn", "OrangeGlass",
                                                    "Graphite", "RealOne", "SportsBlue"});
    list->setCurrentRow(1);
    pageLayout->addWidget(list);
    auto *buttons = new QHBoxLayout;
    auto *ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    buttons->addWidget(ok);
    buttons->addWidget(new QPushButton(QStringLiteral("Очистить")));
    auto *off = new QPushButton(QStringLiteral("Удалить"));
    off->setEnabled(false);
    buttons->addWidget(off);
    pageLayout->addLayout(buttons);
    pages->addTab(page, QStringLiteral("Главные"));
    pages->addTab(new QWidget, QStringLiteral("Стили"));
    pages->addTab(new QWidget, QStringLiteral("Цвета"));
    layout->addWidget(pages);

    auto *splitter = new QSplitter(Qt::Vertical);
    auto *log = new QPlainTextEdit;
    for (int i = 0; i < 40; ++i)
        log->appendPlainText(QStringLiteral("[12:%1] Гость: сообщение номер %1").arg(i));
    splitter->addWidget(log);
    auto *table = new QTableView;
    auto *model = new QStandardItemModel(30, 3, table);
    model->setHorizontalHeaderLabels(
        {QStringLiteral("Дата"), QStringLiteral("Отправитель"), QStringLiteral("Сообщение")});
    for (int r = 0; r < 30; ++r)
        for (int c = 0; c < 3; ++c)
            model->setItem(r, c, new QStandardItem(QStringLiteral("ячейка %1.%2").arg(r).arg(c)));
    table->setModel(model);
    table->verticalHeader()->hide();
    table->selectRow(2);
    splitter->addWidget(table);
    layout->addWidget(splitter, 1);
    window->setCentralWidget(central);
    window->resize(720, 460);
    return window;
}

namespace
{

// The rendered picture: as large as the widget, and not one flat colour.
QImage rendered(QWidget *widget, const QString &name)
{
    const QString path = skintest::renderToPng(widget, name);
    const QImage image(path);
    if (image.size() != widget->size())
        return {};
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != first)
                return image;
    return {};
}

} // namespace

void TestSkinLooks::renderSampleWindows()
{
    QStringList looks{QStringLiteral("Default")};
    looks += skintest::builtInLooks();
    const QDir shipped(QStringLiteral(PALAVRIX_SKINS_SOURCE_DIR));
    const QStringList files = shipped.entryList({QStringLiteral("*.sui")}, QDir::Files);
    QImage plainWindow, plainMenu;
    for (const QString &look : looks + files) {
        std::unique_ptr<QMainWindow> window = sampleWindow();
        const int index = BuiltInSkinNames().indexOf(look);
        if (index >= 0) {
            ThemeEngine::SetUIStyle(window.get(), *BuiltInStyleOfIndex(index));
        } else if (look.endsWith(QLatin1String(".sui"))) {
            ThemeEngine::LoadThemeFile(shipped.filePath(look));
            ThemeEngine::SetUIStyle(window.get(), TsuiUIStyle::FromThemeFile);
        }
        const QString name = SkinDisplayName(look);
        const QImage windowImage = rendered(window.get(), QStringLiteral("sample-") + name);
        QVERIFY2(!windowImage.isNull(), qPrintable(look));
        auto *menu = window->menuBar()->findChild<QMenu *>();
        QVERIFY(menu);
        menu->adjustSize();
        const QImage menuImage = rendered(menu, QStringLiteral("sample-menu-") + name);
        QVERIFY2(!menuImage.isNull(), qPrintable(look));
        menu->hide();
        // Every style changes how the window and its menu look.
        if (plainWindow.isNull()) {
            plainWindow = windowImage;
            plainMenu = menuImage;
            continue;
        }
        QVERIFY2(windowImage != plainWindow, qPrintable(look));
        QVERIFY2(menuImage != plainMenu, qPrintable(look));
    }
}

void TestSkinLooks::renderAboutWindows()
{
    QStringList looks{QStringLiteral("Default")};
    looks += skintest::builtInLooks();
    QImage plain;
    for (const QString &look : looks) {
        const int index = BuiltInSkinNames().indexOf(look);
        if (index >= 0)
            ThemeEngine::SetUIStyle(m_about.get(), *BuiltInStyleOfIndex(index));
        const QImage image = rendered(m_about.get(), QStringLiteral("about-") + look);
        QVERIFY2(!image.isNull(), qPrintable(look));
        m_about->close();
        if (plain.isNull())
            plain = image;
        else
            QVERIFY2(image != plain, qPrintable(look));
    }
}

void TestSkinLooks::renderAnimationFrames()
{
    // A strip of every tenth frame, to look at the animation at a glance; each differs from
    // the one before.
    QImage strip(AboutFrameSize.width() * 11, AboutFrameSize.height(), QImage::Format_ARGB32);
    strip.fill(Qt::white);
    QPainter painter(&strip);
    QImage previous;
    for (int i = 0; i < 11; ++i) {
        const QImage frame = AboutAnimationFrame(i * 10);
        QCOMPARE(frame.size(), AboutFrameSize);
        QVERIFY2(frame != previous, qPrintable(QString::number(i * 10)));
        painter.drawImage(i * AboutFrameSize.width(), 0, frame);
        previous = frame;
    }
    painter.end();
    QVERIFY(strip.save(skintest::renderFolder() + QStringLiteral("/about-animation.png")));
}

PALAVRIX_TEST_MAIN(TestSkinLooks)
#include "tst_SkinLooks.moc"
