#include "AboutWindow.h"
#include "AppPaths.h"
#include "AppWindows.h"
#include "Dialogs.h"
#include "HistoryDatabase.h"
#include "HistoryModel.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "MainWindow.h"
#include "RecordViewer.h"
#include "RenderSupport.h"
#include "SearchWindow.h"
#include "SettingsWindow.h"
#include "SkinEngine.h"
#include "SkinSearch.h"
#include "TestSupport.h"
#include "ThemeEngine.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <functional>
#include <memory>

namespace
{

const QString SourceSkins = QStringLiteral(PALAVRIX_SKINS_SOURCE_DIR);
const QStringList ShippedThemes{u"OrangeGlass"_qs, u"msn"_qs, u"mp10"_qs, u"Longhorn"_qs,
                                u"Graphite"_qs};

// Relative luminance and contrast ratio as the accessibility guidelines define them.
double luminance(QRgb c)
{
    const auto channel = [](int value) {
        const double v = value / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

double contrast(QRgb a, QRgb b)
{
    const double x = luminance(a);
    const double y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// The contrast of a text against what lies under it: the window is drawn over `area` with
// the text and again without it; every pixel the text changed is compared with the same pixel
// without the text, and the strongest pair is the text's own colour on its background (the
// weaker ones are the edges the font smooths). 1 when the text changed nothing.
double textContrast(QWidget *window, const QRect &area, const std::function<void(bool)> &blank)
{
    const QImage with = window->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    blank(true);
    const QImage without = window->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    blank(false);
    double best = 1;
    for (int y = 0; y < with.height() && y < without.height(); ++y) {
        for (int x = 0; x < with.width() && x < without.width(); ++x) {
            const QRgb p = with.pixel(x, y);
            const QRgb q = without.pixel(x, y);
            if (p != q)
                best = std::max(best, contrast(p, q));
        }
    }
    return best;
}

QRect areaOf(QWidget *window, QWidget *widget, const QRect &rect)
{
    return QRect(widget->mapTo(window, rect.topLeft()), rect.size());
}

bool large(const QFont &font)
{
    const double pixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * 96 / 72;
    return pixels >= 24 || (font.bold() && pixels >= 18.66);
}

} // namespace

// Every window in every built-in style and shipped theme: text stands out from what lies under
// it (4.5:1, links and large text 3:1, the history's direction colours 3:1), and status panels
// hold their texts whole.
class TestSkinContrast final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void everyWindowIsReadable_data();
    void everyWindowIsReadable();

private:
    void checkWindow(QWidget *window);
    void check(QWidget *window, QWidget *widget, const QRect &rect, double needed,
               const QString &what, const std::function<void(bool)> &blank);
    void checkGrid(QWidget *window, QTableView *grid);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<AppWindows> m_windows;
    QString m_oldCwd;
    QString m_skins;
    QStringList m_failures;
};

void TestSkinContrast::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_oldCwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    apppaths::SetProgramFolder(m_dir->path());
    m_skins = m_dir->filePath(u"Skins"_qs) + u'/';
    QVERIFY(QDir().mkpath(m_skins));
    for (const QString &theme : ShippedThemes)
        QVERIFY(QFile::copy(SourceSkins + u'/' + theme + u".sui", m_skins + theme + u".sui"));
    Dialogs::setAutoAnswer(true);
    ThemeEngine::UnloadThemeFile();
    SharedSkinSearch().clear();
    CreateHistoryTemplate(m_dir->filePath(u"tmp.dat"_qs));
    testsupport::writeChatCfg(m_dir->path(), QString());
    m_windows = std::make_unique<AppWindows>();
    HForm->Store->setProgramDir(m_dir->path());
    HForm->OpenHistory(u"Me"_qs);
    HForm->AppendHistoryRecord(u"Анна"_qs, u"Me"_qs, u"входящее сообщение"_qs, true);
    HForm->AppendHistoryRecord(u"Me"_qs, u"Анна"_qs, u"исходящее сообщение"_qs, false);
    HForm->AppendHistoryRecord(u"Борис"_qs, u"Me"_qs, u"ещё одно"_qs, true);
    // The main window's status panels hold their texts, and no timer changes them meanwhile.
    for (QTimer *timer : Form1->findChildren<QTimer *>())
        timer->stop();
    Form1->Timer2Timer();
    m_failures.clear();
}

void TestSkinContrast::cleanup()
{
    apppaths::SetProgramFolder(QString());
    m_windows.reset();
    ThemeEngine::UnloadThemeFile();
    Dialogs::setAutoAnswer(false);
    Dialogs::clearHistory();
    QDir::setCurrent(m_oldCwd);
    m_dir.reset();
}

void TestSkinContrast::everyWindowIsReadable_data()
{
    QTest::addColumn<QString>("look");
    for (const QString &look : skintest::builtInLooks() + ShippedThemes)
        QTest::newRow(qPrintable(look)) << look;
}

void TestSkinContrast::everyWindowIsReadable()
{
    QFETCH(QString, look);
    FillSkinList(Form2->ListBox1, m_skins);
    const QList<QListWidgetItem *> found = Form2->ListBox1->findItems(look, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    ApplySkin(Form2->ListBox1->row(found.first()), look, m_skins);
    Form2->ListBox1->setCurrentItem(found.first());
    // A record current in the viewer, so its fields hold text.
    HForm->Table().moveTo(0);
    // Drawn without being shown: showing the main window would start the chat. A first
    // drawing lays every control out.
    for (QWidget *window : SkinnedWindows()) {
        window->grab();
        QCoreApplication::processEvents();
        const QList<QTabWidget *> pages = window->findChildren<QTabWidget *>();
        if (pages.isEmpty()) {
            checkWindow(window);
        } else {
            for (int page = 0; page < pages.first()->count(); ++page) {
                pages.first()->setCurrentIndex(page);
                QCoreApplication::processEvents();
                checkWindow(window);
            }
            pages.first()->setCurrentIndex(0);
        }
    }
    m_failures.removeDuplicates();
    for (const QString &failure : std::as_const(m_failures))
        qInfo("%s", qPrintable(failure));
    QVERIFY2(m_failures.isEmpty(),
             qPrintable(QString::number(m_failures.size()) + u" texts are hard to read"_qs));
}

void TestSkinContrast::check(QWidget *window, QWidget *widget, const QRect &rect, double needed,
                             const QString &what, const std::function<void(bool)> &blank)
{
    if (rect.isEmpty())
        return;
    const double ratio = textContrast(window, areaOf(window, widget, rect), blank);
    if (ratio < needed)
        m_failures << QStringLiteral("%1 %2 \"%3\": %4:1, needs %5:1")
                          .arg(window->objectName(), widget->objectName(), what)
                          .arg(ratio, 0, 'f', 2)
                          .arg(needed);
}

void TestSkinContrast::checkWindow(QWidget *window)
{
    const auto shown = [window](QWidget *w) { return w->isVisibleTo(window) && w->isEnabled(); };
    for (QLabel *label : window->findChildren<QLabel *>()) {
        const QString text = label->text();
        if (!shown(label) || text.trimmed().isEmpty())
            continue;
        const bool link = qobject_cast<URLLabel *>(label) || text.contains(u"<a "_qs);
        check(window, label, label->rect(), link || large(label->font()) ? 3.0 : 4.5, text,
              [label, text](bool blank) { label->setText(blank ? QString() : text); });
        // A status panel of a fixed width holds its text whole (the others grow with their
        // texts once the window is laid out on screen).
        const bool fixed = label->minimumWidth() == label->maximumWidth();
        if (qobject_cast<QStatusBar *>(label->parentWidget()) && fixed &&
            label->fontMetrics().horizontalAdvance(text) > label->contentsRect().width())
            m_failures << QStringLiteral("%1 %2 \"%3\" is cut off")
                              .arg(window->objectName(), label->objectName(), text);
    }
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        const QString text = button->text();
        const auto *tool = qobject_cast<QToolButton *>(button);
        if (!shown(button) || text.trimmed().isEmpty() ||
            (tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly))
            continue;
        check(window, button, button->rect(), 4.5, text,
              [button, text](bool blank) { button->setText(blank ? QString() : text); });
    }
    for (QGroupBox *box : window->findChildren<QGroupBox *>()) {
        const QString title = box->title();
        if (!shown(box) || title.isEmpty())
            continue;
        check(window, box, box->rect(), 4.5, title,
              [box, title](bool blank) { box->setTitle(blank ? QString() : title); });
    }
    for (QTabBar *bar : window->findChildren<QTabBar *>()) {
        if (!shown(bar))
            continue;
        for (int i = 0; i < bar->count(); ++i) {
            const QString text = bar->tabText(i);
            check(window, bar, bar->tabRect(i), 4.5, text,
                  [bar, i, text](bool blank) { bar->setTabText(i, blank ? QString() : text); });
        }
    }
    for (QListWidget *list : window->findChildren<QListWidget *>()) {
        if (!shown(list))
            continue;
        for (int i = 0; i < list->count(); ++i) {
            QListWidgetItem *item = list->item(i);
            const QString text = item->text();
            const QRect rect = list->visualItemRect(item);
            if (!list->viewport()->rect().contains(rect))
                continue;
            check(window, list->viewport(), rect, 4.5,
                  text + (list->currentItem() == item ? u" (current)"_qs : QString()),
                  [item, text](bool blank) { item->setText(blank ? QString() : text); });
        }
    }
    for (QLineEdit *edit : window->findChildren<QLineEdit *>()) {
        const QString text = edit->text();
        if (!shown(edit) || text.isEmpty())
            continue;
        check(window, edit, edit->rect(), 4.5, text,
              [edit, text](bool blank) { edit->setText(blank ? QString() : text); });
    }
    for (QTableView *grid : window->findChildren<QTableView *>()) {
        if (shown(grid))
            checkGrid(window, grid);
    }
}

// The history grids draw each row in its direction's colour on the cell colour; the current
// row is drawn as selected and is left to the selection colours.
void TestSkinContrast::checkGrid(QWidget *window, QTableView *grid)
{
    const QImage image =
        window->grab(areaOf(window, grid->viewport(), grid->viewport()->rect())).toImage();
    const int message = int(HistoryField::mCutText);
    for (int row = 0; row < grid->model()->rowCount(); ++row) {
        if (row == HForm->Table().recNo())
            continue;
        const QRect cell = grid->visualRect(grid->model()->index(row, message));
        const QRgb under = image.pixel(cell.right() - 3, cell.bottom() - 1);
        const QRgb text = HForm->RowTextColor(HForm->Table().incomingAt(row), false).rgb();
        const double ratio = contrast(text, under);
        if (ratio < 3.0)
            m_failures << QStringLiteral("%1 %2 row %3: %4:1, needs 3:1")
                              .arg(window->objectName(), grid->objectName())
                              .arg(row)
                              .arg(ratio, 0, 'f', 2);
    }
}

PALAVRIX_TEST_MAIN(TestSkinContrast)
#include "tst_SkinContrast.moc"
