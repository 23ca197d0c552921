#include "HistoryWindow.h"

#include "AppError.h"
#include "ChatOptions.h"
#include "ColorBox.h"
#include "DateTimeText.h"
#include "Dialogs.h"
#include "ErrorBox.h"
#include "Guard.h"
#include "HistoryExport.h"
#include "HistoryModel.h"
#include "HistoryStore.h"
#include "MainWindow.h"
#include "RecordViewer.h"
#include "SearchWindow.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

THForm *HForm = nullptr;

namespace
{

constexpr QSize InitialSize{634, 352};
constexpr QSize SmallestOuterSize{400, 200};
constexpr QSize ButtonSize{75, 25};
constexpr int DateColumnWidth = 62;
constexpr int NickColumnWidth = 100;
constexpr int AllTabReserve = 355; // everything but the message column on "Все сообщения"
constexpr int OneWayTabReserve = 255; // the same on "Входящие" and "Исходящие"
constexpr int TextIndent = 2;
// An export shows its progress once it has taken this long (ms).
constexpr int ProgressDelay = 500;

const QColor IncomingColor{0xFF, 0x00, 0x00}; // 0x0000FF in the 0x00BBGGRR layout: red
const QColor OutgoingColor{0x00, 0x00, 0x80}; // 0x800000: navy
const QColor HighlightedTextColor{0xFF, 0xFF, 0xFF};
const QColor GridColor{0xFF, 0xFF, 0xFF};

const QString Caption = QStringLiteral("Palavrix");

// The filter of each tab: all, incoming, outgoing.
struct TabFilter {
    bool filtered;
    const char16_t *text;
};
constexpr TabFilter TabFilters[3] = {
    {false, u""}, {true, u"mIncoming='1'"}, {true, u"mIncoming='0'"}};

int column(HistoryField field)
{
    return int(field);
}

// Draws every cell itself: the grid's background for the cell, then the text in the row's
// colour, 2 pixels from the left edge, on the top edge, as plain text.
class HistoryCellDelegate final : public QStyledItemDelegate
{
public:
    HistoryCellDelegate(THForm *form, QObject *parent) : QStyledItemDelegate(parent), m_form(form)
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const bool highlighted =
            option.state.testFlag(QStyle::State_Selected) || index.row() == m_form->Table().recNo();
        painter->save();
        painter->fillRect(option.rect,
                          highlighted ? option.palette.color(QPalette::Active, QPalette::Highlight)
                                      : option.palette.color(QPalette::Base));
        painter->setPen(
            m_form->RowTextColor(index.data(HistoryModel::IncomingRole).toInt(), highlighted));
        painter->setFont(option.font);
        painter->drawText(option.rect.adjusted(TextIndent, 0, 0, 0),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
    }

private:
    THForm *m_form;
};

QPushButton *button(const QString &name, const QString &text, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setFixedSize(ButtonSize);
    return b;
}

// The rows of a grid's selection, in ascending order.
std::vector<int> selectedRows(const QTableView *grid)
{
    std::vector<int> rows;
    for (const QItemSelectionRange &range : grid->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    }
    if (!std::is_sorted(rows.begin(), rows.end()))
        std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

// Deletes the records of a grid's rows, all in one transaction, and clears its selection.
void deleteRows(HistoryStore &store, QTableView *grid, const std::vector<int> &rows)
{
    std::vector<HistoryTable::Bookmark> marks;
    marks.reserve(rows.size());
    for (const int row : rows)
        marks.push_back(store.table().bookmarkAt(row));
    grid->clearSelection();
    store.DeleteRecords(std::move(marks));
}

QColor chosenColor(int index)
{
    const QColor color = colorOf(index);
    return color.isValid() ? color : QColor(Qt::black);
}

} // namespace

THForm::THForm(HistoryStore &store, const ChatOptions &options, QWidget *parent)
    : QWidget(parent, Qt::Window), Store(&store), m_options(options)
{
    setObjectName(QStringLiteral("HForm"));
    setWindowTitle(tr("Palavrix - история"));

    HistoryTable &table = Store->tableForBinding();
    // While the table changes its rows, the grids move their own current rows; those moves
    // are not the user's and must not move the table. These run before the model's handlers…
    connect(&table, &HistoryTable::aboutToReset, this, [this] { ++m_syncing; });
    connect(&table, &HistoryTable::aboutToInsert, this, [this] { ++m_syncing; });
    connect(&table, &HistoryTable::aboutToRemove, this, [this] { ++m_syncing; });
    DataSource1 = new HistoryModel(table, this);
    const QString titles[] = {tr("Дата"), tr("Время"), tr("Отправитель"), tr("Получатель"),
                              tr("Сообщение")};
    for (int column = 0; column < int(std::size(titles)); ++column)
        DataSource1->setHeaderData(column, Qt::Horizontal, titles[column]);
    DataSource1->setUnreadableText(tr("(запись повреждена)"));
    // …and these after them.
    connect(&table, &HistoryTable::reset, this, [this] { --m_syncing; });
    connect(&table, &HistoryTable::inserted, this, [this] { --m_syncing; });
    connect(&table, &HistoryTable::removed, this, [this] { --m_syncing; });
    connect(&table, &HistoryTable::currentChanged, this, Guarded(this, &THForm::followTable));
    connect(&options, &ChatOptions::changed, this, &THForm::RepaintGrids);
    connect(&table, &HistoryTable::damageFound, this, Guarded([this](int unreadable) {
        StatusPanels[1]->setText(DamageText(unreadable));
        StatusPanels[1]->show();
        SetCountText();
    }));
    // Another store (or a fresh one) has no damage known.
    connect(Store, &HistoryStore::countChanged, this, Guarded([this] {
                if (!Table().isActive() || !Table().salvaged())
                    StatusPanels[1]->hide();
            }));

    suiPageControl1 = new QTabWidget(this);
    suiPageControl1->setObjectName(QStringLiteral("suiPageControl1"));
    suiTabSheet1 = new QWidget;
    suiTabSheet1->setObjectName(QStringLiteral("suiTabSheet1"));
    suiTabSheet2 = new QWidget;
    suiTabSheet2->setObjectName(QStringLiteral("suiTabSheet2"));
    suiTabSheet3 = new QWidget;
    suiTabSheet3->setObjectName(QStringLiteral("suiTabSheet3"));
    suiPageControl1->addTab(suiTabSheet1, tr("Все сообщения"));
    suiPageControl1->addTab(suiTabSheet2, tr("Входящие"));
    suiPageControl1->addTab(suiTabSheet3, tr("Исходящие"));

    m_dateWidening = DateColumnWidening(fontMetrics());
    DBGrid1 = makeGrid(QStringLiteral("DBGrid1"), suiTabSheet1);
    DBGrid1->setColumnHidden(column(HistoryField::mFullText), true);
    DBGrid1->setColumnHidden(column(HistoryField::mIncoming), true);
    DBGrid2 = makeGrid(QStringLiteral("DBGrid2"), suiTabSheet2);
    DBGrid2->setColumnHidden(column(HistoryField::mReceiver), true);
    DBGrid2->setColumnHidden(column(HistoryField::mFullText), true);
    // The direction column of the one-way tabs lies beyond the right edge: hidden, so that no
    // sliver of it shows when the other columns leave room.
    DBGrid2->setColumnHidden(column(HistoryField::mIncoming), true);
    DBGrid3 = makeGrid(QStringLiteral("DBGrid3"), suiTabSheet3);
    DBGrid3->setColumnHidden(column(HistoryField::mSender), true);
    DBGrid3->setColumnHidden(column(HistoryField::mFullText), true);
    DBGrid3->setColumnHidden(column(HistoryField::mIncoming), true);

    suiButton1 = button(QStringLiteral("suiButton1"), tr("Поиск"), this);
    suiButton2 = button(QStringLiteral("suiButton2"), tr("Удалить"), this);
    suiButton3 = button(QStringLiteral("suiButton3"), tr("Очистить"), this);
    suiButton4 = button(QStringLiteral("suiButton4"), tr("Сохранить..."), this);
    suiButton4->setMinimumWidth(ButtonSize.width());
    suiButton4->setMaximumWidth(QWIDGETSIZE_MAX);
    suiButton4->setToolTip(
        tr("Сохранить сообщения вкладки (или выделенные) в текстовый файл или CSV"));
    Button1 = button(QStringLiteral("Button1"), QStringLiteral("Ok"), this);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusPanels[0] = new QLabel(StatusBar1);
    StatusPanels[0]->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanels[0]->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(StatusPanels[0], 1);
    StatusPanels[1] = new QLabel(StatusBar1);
    StatusPanels[1]->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanels[1]->setTextFormat(Qt::PlainText);
    StatusPanels[1]->hide();
    StatusBar1->addWidget(StatusPanels[1], 2);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(6, 4, 6, 4);
    buttons->setSpacing(6);
    buttons->addWidget(suiButton1);
    buttons->addWidget(suiButton2);
    buttons->addWidget(suiButton3);
    buttons->addWidget(suiButton4);
    buttons->addStretch(1);
    buttons->addWidget(Button1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(suiPageControl1, 1);
    layout->addLayout(buttons);
    layout->addWidget(StatusBar1);

    connect(Store, &HistoryStore::countChanged, StatusPanels[0],
            [this](qint64 count) { StatusPanels[0]->setText(CountText(count)); });
    connect(suiPageControl1, &QTabWidget::currentChanged, this, Guarded([this] {
                TabSheetShow(suiPageControl1->currentIndex());
                suiPageControl1Change();
            }));
    connect(suiButton1, &QPushButton::clicked, this, Guarded([this] { suiButton1Click(); }));
    connect(suiButton2, &QPushButton::clicked, this, Guarded([this] { suiButton2Click(); }));
    connect(suiButton3, &QPushButton::clicked, this, Guarded([this] { suiButton3Click(); }));
    connect(suiButton4, &QPushButton::clicked, this, Guarded([this] { suiButton4Click(); }));
    connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));

    resize(InitialSize);
    applyMinimumSize();
    FormResize();

    // Before any nick is known the store's file is the shipped template, opened when first
    // used; one that cannot be opened is said at once.
    try {
        Store->ChooseTemplate(Store->templatePath());
    } catch (const AppError &error) {
        ShowErrorBox(error.message());
    }
}

THForm::~THForm()
{
    // Take the grids off the model and the table before either goes.
    disconnect(&Store->tableForBinding(), nullptr, this, nullptr);
    for (QTableView *grid : {DBGrid1, DBGrid2, DBGrid3}) {
        grid->removeEventFilter(this);
        grid->viewport()->removeEventFilter(this);
        disconnect(grid->selectionModel(), nullptr, this, nullptr);
        grid->setModel(nullptr);
    }
    delete DataSource1;
    DataSource1 = nullptr;
}

int THForm::DateColumnWidening(const QFontMetrics &metrics)
{
    // The widest date shown: dd.MM.yyyy, yyyy-MM-dd, or a stored text that reads as no date
    // (the regional form of this system stands for those); two-digit day and month, every digit
    // the widest of the font's digits.
    QChar widest = u'0';
    for (char16_t digit = u'1'; digit <= u'9'; ++digit) {
        if (metrics.horizontalAdvance(QChar(digit)) > metrics.horizontalAdvance(widest))
            widest = QChar(digit);
    }
    int needed = 0;
    for (QString sample : {LocalDateText(QDateTime(QDate(2000, 12, 28), QTime(12, 0))),
                           QStringLiteral("28.12.2000"), QStringLiteral("2000-12-28")}) {
        for (QChar &c : sample) {
            if (c.isDigit())
                c = widest;
        }
        needed = std::max(needed, metrics.horizontalAdvance(sample) + 2 * TextIndent + 2);
    }
    return std::max(0, needed - DateColumnWidth);
}

QTableView *THForm::makeGrid(const QString &name, QWidget *sheet)
{
    auto *grid = new QTableView(sheet);
    grid->setObjectName(name);
    grid->setModel(DataSource1);
    grid->setItemDelegate(new HistoryCellDelegate(this, grid));
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setShowGrid(true);
    grid->setWordWrap(false);
    grid->setCornerButtonEnabled(false);
    grid->setTabKeyNavigation(false);

    QPalette palette = grid->palette();
    palette.setColor(QPalette::Base, GridColor);
    // The selection stays visible when the grid loses the focus.
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    grid->setPalette(palette);

    QHeaderView *rows = grid->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(grid->fontMetrics().height() + 3);
    QHeaderView *titles = grid->horizontalHeader();
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titles->setHighlightSections(false);
    // The titles never show the rows' selection, yet the header asks its selection model
    // whether each column is wholly selected at every repaint, a walk over all rows while
    // every row is selected: they get a selection model of their own that holds nothing.
    titles->setSelectionModel(new QItemSelectionModel(DataSource1, titles));
    titles->setSectionsClickable(false);
    titles->setStretchLastSection(false);
    titles->setMinimumSectionSize(1);

    const QFontMetrics metrics = grid->fontMetrics();
    const int timeWidth = std::max(metrics.horizontalAdvance(QString(8, u'0')),
                                   metrics.horizontalAdvance(QStringLiteral("00:00:00"))) +
                          2 * TextIndent + 2;
    grid->setColumnWidth(column(HistoryField::mDate), DateColumnWidth + m_dateWidening);
    grid->setColumnWidth(column(HistoryField::mTime), timeWidth);
    grid->setColumnWidth(column(HistoryField::mSender), NickColumnWidth);
    grid->setColumnWidth(column(HistoryField::mReceiver), NickColumnWidth);

    auto *layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid);

    grid->installEventFilter(this);
    grid->viewport()->installEventFilter(this);
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, grid](const QModelIndex &current) {
                try {
                    gridCurrentMoved(grid, current.row());
                } catch (const AppError &error) {
                    ShowErrorBox(error.message());
                }
            });
    return grid;
}

HistoryTable &THForm::Table() const
{
    return Store->table();
}

void THForm::OpenHistory(const QString &nick)
{
    Store->OpenHistory(nick);
}

void THForm::AppendHistoryRecord(const QString &sender, const QString &receiver,
                                 const QString &text, bool incoming)
{
    Store->AppendHistoryRecord(sender, receiver, text, incoming);
}

void THForm::ResetHistory()
{
    Store->ResetHistory();
}

void THForm::RepaintGrids()
{
    for (QTableView *grid : {DBGrid1, DBGrid2, DBGrid3})
        grid->viewport()->update();
}

QTableView *THForm::ActiveGrid() const
{
    switch (suiPageControl1->currentIndex()) {
    case 1:
        return DBGrid2;
    case 2:
        return DBGrid3;
    default:
        return DBGrid1;
    }
}

QColor THForm::RowTextColor(qint32 incoming, bool highlighted) const
{
    if (highlighted)
        return HighlightedTextColor;
    const OptionValues &options = m_options.Values();
    if (incoming != 0)
        return options.SelectHistoryClr ? chosenColor(options.IncClr) : IncomingColor;
    return options.SelectHistoryClr ? chosenColor(options.OutClr) : OutgoingColor;
}

QString THForm::DamageText(int unreadable)
{
    if (unreadable < 0)
        return tr("Файл истории повреждён: часть сообщений не читается");
    if (unreadable == 0)
        return tr("Файл истории повреждён, но все сообщения прочитаны");
    return tr("Файл истории повреждён: не читается сообщений: ") + QString::number(unreadable);
}

QString THForm::CountText(qint64 count)
{
    return tr("Сообщений: ") + QString::number(count);
}

void THForm::SetCountText()
{
    StatusPanels[0]->setText(CountText(Store->RecordCount()));
}

// Handlers.

void THForm::FormShow()
{
    TabSheetShow(suiPageControl1->currentIndex());
}

void THForm::TabSheetShow(int index)
{
    const TabFilter &filter = TabFilters[std::clamp(index, 0, 2)];
    Table().setFilter(filter.filtered, QString::fromUtf16(filter.text));
}

void THForm::suiPageControl1Change()
{
    SetCountText();
    Button1->setFocus();
}

void THForm::FormResize()
{
    // A date column wider than planned takes its room from the message column.
    const int width = frameGeometry().width() - m_dateWidening;
    DBGrid1->setColumnWidth(column(HistoryField::mCutText), width - AllTabReserve);
    DBGrid2->setColumnWidth(column(HistoryField::mCutText), width - OneWayTabReserve);
    DBGrid3->setColumnWidth(column(HistoryField::mCutText), width - OneWayTabReserve);
}

void THForm::DBGridDblClick()
{
    if (!Form6)
        return;
    Form6->show();
    Form6->raise();
    Form6->activateWindow();
}

void THForm::DBGridCtrlDelete(QTableView *grid)
{
    if (!Table().isActive() || Table().isEmpty())
        return;
    const std::vector<int> rows = selectedRows(grid);
    const QString question = rows.size() > 1 ? QStringLiteral("Delete all selected records?")
                                             : QStringLiteral("Delete record?");
    if (Dialogs::question(this, Caption, question) != Dialogs::Answer::Ok)
        return;
    if (rows.empty()) {
        Table().deleteCurrent();
        return;
    }
    deleteRows(*Store, grid, rows);
}

void THForm::suiButton1Click()
{
    if (!Form5)
        return;
    Form5->setWindowModality(Qt::ApplicationModal);
    Form5->show();
    Form5->raise();
    Form5->activateWindow();
}

void THForm::suiButton2Click()
{
    if (Dialogs::question(this, Caption, tr("Удалить выделенное?")) != Dialogs::Answer::Ok)
        return;
    QTableView *grid = ActiveGrid();
    deleteRows(*Store, grid, selectedRows(grid));
    SetCountText();
}

void THForm::suiButton3Click()
{
    if (Dialogs::question(this, Caption,
                          tr("История сообщений будет удалена безвозвратно. Продолжить?")) !=
        Dialogs::Answer::Ok)
        return;
    ResetHistory();
}

void THForm::suiButton4Click()
{
    QString path;
    if (Dialogs::saveFileName(this, tr("Сохранить сообщения"), tr("Текст (*.txt);;CSV (*.csv)"),
                              path) != Dialogs::Answer::Ok ||
        path.isEmpty())
        return;
    const std::vector<int> rows = selectedRows(ActiveGrid());
    std::vector<HistoryTable::Bookmark> keys;
    if (rows.empty()) {
        keys = Table().keys();
    } else {
        keys.reserve(rows.size());
        for (const int row : rows)
            keys.push_back(Table().bookmarkAt(row));
    }
    QProgressDialog progress(tr("Сохранение сообщений..."), tr("Отмена"), 0, int(keys.size()),
                             this);
    progress.setWindowTitle(Caption);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(ProgressDelay);
    try {
        ExportHistory(Table(), keys, path, HistoryExportFormatOf(path),
                      tr("Дата,Время,Отправитель,Получатель,Текст"),
                      [&progress](qint64 done, qint64) {
                          progress.setValue(int(done));
                          return !progress.wasCanceled();
                      });
    } catch (const EHistoryExportError &error) {
        throw AppError(
            tr("Не удалось сохранить файл \"%1\": %2").arg(error.fileName(), error.reason()));
    }
}

void THForm::Button1Click()
{
    close();
}

// The grids follow the table's current record; a move in a grid moves the table.

void THForm::followTable()
{
    const int position = Table().recNo();
    const bool valid = position >= 0 && position < DataSource1->rowCount();
    ++m_syncing;
    for (QTableView *grid : {DBGrid1, DBGrid2, DBGrid3}) {
        // Moving a grid's current row asks its row header where the rows are, which it works
        // out anew, row by row, after every new record. A grid nobody sees is skipped: showing
        // it (the window or its tab) filters the table again, and it follows then.
        if (!grid->isVisible())
            continue;
        int shown = 0;
        while (shown < HistoryFieldCount - 1 && grid->isColumnHidden(shown))
            ++shown;
        const QModelIndex index = valid ? DataSource1->index(position, shown) : QModelIndex();
        grid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        if (valid && grid == ActiveGrid())
            grid->scrollTo(index);
        grid->viewport()->update();
    }
    --m_syncing;
}

void THForm::gridCurrentMoved(QTableView *grid, int row)
{
    if (m_syncing || row < 0 || grid != ActiveGrid() || !Table().isActive())
        return;
    if (row != Table().recNo())
        Table().moveTo(row);
}

// Window events.

void THForm::centreOnMainWindow()
{
    QRect area;
    if (Form1 && Form1->isVisible())
        area = Form1->frameGeometry();
    else if (const QScreen *screen = this->screen())
        area = screen->availableGeometry();
    if (!area.isValid())
        return;
    const QSize frame = frameGeometry().size();
    move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
}

void THForm::applyMinimumSize()
{
    // The limits hold for the outer size, frame included.
    const QSize frame = frameGeometry().size() - size();
    const QSize smallest = SmallestOuterSize - frame;
    if (minimumSize() != smallest)
        setMinimumSize(smallest);
}

void THForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    if (!m_placed) {
        m_placed = true;
        centreOnMainWindow();
    }
    applyMinimumSize();
    try {
        FormShow();
    } catch (const AppError &error) {
        ShowErrorBox(error.message());
    }
}

void THForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyMinimumSize();
    FormResize();
}

bool THForm::eventFilter(QObject *watched, QEvent *event)
{
    for (QTableView *grid : {DBGrid1, DBGrid2, DBGrid3}) {
        if (!grid)
            continue;
        if (watched == grid->viewport() && event->type() == QEvent::MouseButtonDblClick) {
            DBGridDblClick();
            return false;
        }
        if (watched == grid && event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier) {
                try {
                    DBGridCtrlDelete(grid);
                } catch (const AppError &error) {
                    ShowErrorBox(error.message());
                }
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
