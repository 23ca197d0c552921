#include "SkinEngine.h"

#include "AboutWindow.h"
#include "ErrorBox.h"
#include "HistoryWindow.h"
#include "LogView.h"
#include "MainWindow.h"
#include "PrivateWindow.h"
#include "RecordViewer.h"
#include "SearchWindow.h"
#include "SettingsWindow.h"
#include "SkinSearch.h"
#include "ThemeEngine.h"
#include "ThemeFile.h"

#include <QGroupBox>
#include <QLayout>
#include <QListWidget>
#include <QPointer>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>

#include <functional>
#include <optional>

namespace
{

// Dynamic properties that remember where a control or window was before the first shift.
constexpr char BaseMarginProperty[] = "skinBaseTopMargin";
constexpr char BaseTopProperty[] = "skinBaseTop";
constexpr char BaseHeightProperty[] = "skinBaseHeight";

// The layout values in force and the main window they belong to: a new main window starts
// with the values it was built with.
struct LayoutInForce {
    QPointer<QWidget> main;
    LayoutValues values = LayoutValuesOf(LayoutClass::None);
};

LayoutInForce &layoutInForce()
{
    static LayoutInForce state;
    return state;
}

int remembered(QObject *object, const char *property, int now)
{
    const QVariant value = object->property(property);
    if (value.isValid())
        return value.toInt();
    object->setProperty(property, now);
    return now;
}

// Moves `control` down by `offset` pixels from where it was built. Inside a layout the
// layout's top margin grows, so the content below shrinks; a freely placed control moves
// and keeps its height when its window grows by `windowGrowth`, else it shrinks.
void shiftContent(QWidget *control, int offset, int windowGrowth)
{
    if (!control)
        return;
    QWidget *host = control->parentWidget();
    if (QLayout *layout = host ? host->layout() : nullptr) {
        QMargins margins = layout->contentsMargins();
        margins.setTop(remembered(host, BaseMarginProperty, margins.top()) + offset);
        layout->setContentsMargins(margins);
    } else {
        const int top = remembered(control, BaseTopProperty, control->y());
        const int height = remembered(control, BaseHeightProperty, control->height());
        control->setGeometry(control->x(), top + offset, control->width(),
                             windowGrowth != 0 ? height : height - offset);
    }
    if (windowGrowth == 0 && !control->window()->property(BaseHeightProperty).isValid())
        return;
    QWidget *window = control->window();
    const int height = remembered(window, BaseHeightProperty, window->height()) + windowGrowth;
    if (window->minimumHeight() == window->maximumHeight())
        window->setFixedHeight(height);
    else
        window->resize(window->width(), height);
}

// Puts the values into the windows, as differences from the standard layout, which the
// windows are built with.
void placeLayout(const LayoutValues &values)
{
    layoutInForce() = {Form1, values};
    const LayoutValues standard = LayoutValuesOf(LayoutClass::Standard);
    if (Form1)
        shiftContent(Form1->Panel1, values.mainPanelTop - standard.mainPanelTop, 0);
    if (Form2)
        shiftContent(Form2->suiPageControl1, values.settingsPageTop - standard.settingsPageTop,
                     values.settingsHeight - standard.settingsHeight);
    if (Form4)
        shiftContent(Form4->RichEdit1, values.privateViewTop - standard.privateViewTop, 0);
    if (HForm)
        shiftContent(HForm->suiPageControl1, values.historyPageTop - standard.historyPageTop, 0);
    if (Form6)
        shiftContent(Form6->GroupBox1, values.viewerGroupTop - standard.viewerGroupTop,
                     values.viewerHeight - standard.viewerHeight);
}

void setStyleOfAll(TsuiUIStyle style)
{
    for (QWidget *window : SkinnedWindows())
        ThemeEngine::SetUIStyle(window, style);
}

// A grid's title row and cells: the title row in `title`, the cells in `cells`, each with
// text that reads well on it.
void colourGrid(QTableView *grid, const QColor &title, const QColor &cells)
{
    if (!grid)
        return;
    grid->setStyleSheet(
        QStringLiteral("QTableView { background-color: %4; }"
                       " QHeaderView::section { background-color: %1; color: %2; border: none;"
                       " border-right: 1px solid %3; border-bottom: 1px solid %3;"
                       " padding: 1px 4px; }")
            .arg(title.name(), ContrastingTextColor(title).name(), title.darker(140).name(),
                 cells.name()));
}

// The background of a page control's pages; an invalid colour leaves it to the style.
void colourPages(QTabWidget *pages, const QColor &colour)
{
    if (!pages)
        return;
    pages->setStyleSheet(colour.isValid() ? QStringLiteral("QTabWidget::pane { background-color: "
                                                           "%1; }")
                                                .arg(colour.name())
                                          : QString());
}

// The steps after a style is set: the splitter, the history grids and, for the tinted
// themes, the page controls take the frames' colours.
void colourControls(const QString &name)
{
    const QColor mainFrame = ThemeEngine::FrameColor(Form1);
    if (Form1 && Form1->Splitter1)
        Form1->Splitter1->setStyleSheet(
            QStringLiteral("QSplitter::handle { background-color: %1; }").arg(mainFrame.name()));

    const bool tinted = IsTintedSkinName(name);
    if (HForm) {
        const QColor title = ThemeEngine::FrameColor(HForm);
        const QColor cells = tinted ? mainFrame : QColor(0xFF, 0xFF, 0xFF);
        for (QTableView *grid : {HForm->DBGrid1, HForm->DBGrid2, HForm->DBGrid3})
            colourGrid(grid, title, cells);
        colourPages(HForm->suiPageControl1, tinted ? mainFrame : QColor());
    }
    if (Form2)
        colourPages(Form2->suiPageControl1, tinted ? mainFrame : QColor());
}

void setLayoutOfClass(LayoutClass layoutClass)
{
    placeLayout(LayoutValuesOf(layoutClass));
}

} // namespace

QList<QWidget *> SkinnedWindows()
{
    QList<QWidget *> windows;
    for (QWidget *window :
         std::initializer_list<QWidget *>{Form2, Form1, Form3, Form4, HForm, Form5, Form6}) {
        if (window)
            windows.append(window);
    }
    return windows;
}

namespace
{

// Fills the list with a fresh scan and selects the row `choose` picks from the entries; a
// negative row leaves nothing selected. Returns that row.
int showSkinEntries(QListWidget *list, const QString &folder,
                    const std::function<int(const QStringList &)> &choose)
{
    list->clear();
    const QStringList entries = ScanSkinEntries(SharedSkinSearch(), folder);
    list->addItems(entries);
    const int selected = choose(entries);
    list->setCurrentRow(selected);
    if (selected < 0)
        list->clearSelection();
    return selected;
}

// Gives every window the style of a list entry: a built-in style, or the theme file's.
void setStyleOfEntry(int index, const QString &name, const QString &folder)
{
    if (const std::optional<TsuiUIStyle> builtIn = BuiltInStyleOfIndex(index)) {
        setStyleOfAll(*builtIn);
    } else {
        ThemeEngine::LoadThemeFile(folder + name + QLatin1String(".sui"));
        setStyleOfAll(TsuiUIStyle::FromThemeFile);
    }
}

} // namespace

void FillSkinList(QListWidget *list, const QString &folder)
{
    const QSignalBlocker quiet(list);
    std::optional<QString> remembered;
    if (list->count() > 0) {
        SharedSkinSearch().clear();
        if (const QListWidgetItem *selected = list->currentItem();
            selected && selected->isSelected())
            remembered = selected->text();
    }
    showSkinEntries(list, folder, [&remembered](const QStringList &entries) {
        return KeptSkinSelection(entries, remembered);
    });
}

void FillSkinList()
{
    if (Form2)
        FillSkinList(Form2->ListBox1, SkinsFolder());
}

void ApplySkin(int index, const QString &name, const QString &folder)
{
    if (index < 0)
        return;
    setStyleOfEntry(index, name, folder);
    colourControls(name);
    AdjustLayoutForSkin(name);
}

void ApplySkin()
{
    if (!Form2)
        return;
    const QListWidgetItem *selected = Form2->ListBox1->currentItem();
    if (!selected || !selected->isSelected())
        return;
    ApplySkin(Form2->ListBox1->row(selected), selected->text(), SkinsFolder());
}

void RestoreSkin(const QString &savedName, const QString &folder)
{
    if (!Form2)
        return;
    QListWidget *list = Form2->ListBox1;
    const QSignalBlocker quiet(list);
    const int selected = showSkinEntries(list, folder, [&savedName](const QStringList &entries) {
        return RestoredSkinSelection(entries, savedName);
    });

    try {
        if (selected >= 0)
            setStyleOfEntry(selected, savedName, folder);
        const bool themeFile = selected >= 0 && !BuiltInStyleOfIndex(selected);
        setLayoutOfClass(themeFile ? LayoutClassOfName(savedName) : LayoutClass::Standard);
    } catch (const AppError &error) {
        ShowErrorBox(error.message());
        return;
    }
    colourControls(savedName);
}

void RestoreSkin(const QString &savedName)
{
    RestoreSkin(savedName, SkinsFolder());
}

void AdjustLayoutForSkin(const QString &name)
{
    const LayoutValues current = CurrentLayout();
    const LayoutValues adjusted = AdjustedLayout(current, name);
    if (adjusted != current)
        placeLayout(adjusted);
}

LayoutValues CurrentLayout()
{
    const LayoutInForce &state = layoutInForce();
    if (!Form1 || state.main != Form1)
        return LayoutValuesOf(LayoutClass::None);
    return state.values;
}
