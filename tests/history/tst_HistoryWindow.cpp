#include "ChatOptions.h"
#include "ColorBox.h"
#include "DateTimeText.h"
#include "Dialogs.h"
#include "HistoryDatabase.h"
#include "HistoryFixture.h"
#include "HistoryModel.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "HistoryWindows.h"
#include "RecordViewer.h"
#include "SearchWindow.h"
#include "SettingsWindow.h"
#include "TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <sqlite3.h>

#include <memory>

using historytest::HistoryWindows;

namespace
{

const QColor Red{255, 0, 0};
const QColor Navy{0, 0, 128};
const QColor White{255, 255, 255};

// How many pixels of a cell's picture read as text of `color` drawn over `background`: the
// pixel lies on the blend between the two, at least half way to the text colour.
int pixelsOf(const QImage &image, const QColor &color, const QColor &background)
{
    const double d[3] = {double(color.red() - background.red()),
                         double(color.green() - background.green()),
                         double(color.blue() - background.blue())};
    const double length = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    if (length == 0)
        return 0;
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor p = image.pixelColor(x, y);
            const double v[3] = {double(p.red() - background.red()),
                                 double(p.green() - background.green()),
                                 double(p.blue() - background.blue())};
            const double alpha = (v[0] * d[0] + v[1] * d[1] + v[2] * d[2]) / length;
            if (alpha < 0.5 || alpha > 1.05)
                continue;
            double residual = 0;
            for (int i = 0; i < 3; ++i)
                residual += (v[i] - alpha * d[i]) * (v[i] - alpha * d[i]);
            if (residual < 12 * 12)
                ++count;
        }
    }
    return count;
}

// Counts the paint events of a widget.
class PaintCounter final : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) : m_widget(widget) { widget->installEventFilter(this); }
    ~PaintCounter() override { m_widget->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *m_widget;
};

// The picture of one cell as the grid draws it now.
QImage cellImage(QTableView *grid, int row, HistoryField field)
{
    const QRect rect = grid->visualRect(grid->model()->index(row, int(field)));
    return grid->viewport()->grab(rect).toImage();
}

} // namespace

// The history browser on a real store in a temporary program folder.
class TestHistoryWindow final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void creationOpensTheTemplateOfTheProgramFolder();
    void creationWithoutTemplateShowsTheEngineError();
    void layout();
    void columns_data();
    void columns();
    void countsPerTab_data();
    void countsPerTab();
    void datesShowFourDigitYears_data();
    void datesShowFourDigitYears();
    void deleteTwoSelectedOnIncoming();
    void deleteSelectionInOneTransaction_data();
    void deleteSelectionInOneTransaction();
    void deleteCancelledChangesNothing();
    void saveTheTabOrItsSelection_data();
    void saveTheTabOrItsSelection();
    void saveFailureIsReported();
    void clearAll_data();
    void clearAll();
    void clearCancelledChangesNothing();
    void ctrlDelete_data();
    void ctrlDelete();
    void rowColours_data();
    void rowColours();
    void currentRowIsWhite_data();
    void currentRowIsWhite();
    void settingsRecolourAtOnce();
    void resizeSetsMessageColumns_data();
    void resizeSetsMessageColumns();
    void sizeNeverBelowLimits();
    void recordsWrittenWhileOpenAppear();
    void gridsHiddenMeanwhileFollowWhenShown();
    void doubleClickOpensTheViewer();
    void viewerFollowsTheCurrentRecord();
    void searchButtonShowsTheSearchModal();
    void okHidesTheWindow();
    void closedStoreReportsOnTabChange();

private:
    void fillFiveRecords();
    void selectRows(QTableView *grid, const QList<int> &rows);
    QString countText() const { return m_form->StatusPanels[0]->text(); }
    QStringList gridTexts(QTableView *grid) const;

    std::unique_ptr<HistoryWindows> m_windows;
    THForm *m_form = nullptr;
    historytest::ProgramFolder *m_folder = nullptr;
};

void TestHistoryWindow::initTestCase()
{
    Dialogs::setAutoAnswer(true);
}

void TestHistoryWindow::cleanupTestCase()
{
    Dialogs::setAutoAnswer(false);
    Dialogs::clearHistory();
}

void TestHistoryWindow::init()
{
    Dialogs::clearHistory();
    m_windows = std::make_unique<HistoryWindows>();
    m_form = m_windows->form();
    m_folder = &m_windows->folder();
    QVERIFY(m_folder->isValid());
}

void TestHistoryWindow::cleanup()
{
    m_form = nullptr;
    m_folder = nullptr;
    m_windows.reset();
}

// Three incoming and two outgoing, mixed.
void TestHistoryWindow::fillFiveRecords()
{
    m_form->AppendHistoryRecord(u"Анна"_qs, u"Me"_qs, u"in one"_qs, true);
    m_form->AppendHistoryRecord(u"Me"_qs, u"Анна"_qs, u"out one"_qs, false);
    m_form->AppendHistoryRecord(u"Борис"_qs, u"Me"_qs, u"in two"_qs, true);
    m_form->AppendHistoryRecord(u"Вера"_qs, u"Me"_qs, u"in three"_qs, true);
    m_form->AppendHistoryRecord(u"Me"_qs, u"Вера"_qs, u"out two"_qs, false);
}

void TestHistoryWindow::selectRows(QTableView *grid, const QList<int> &rows)
{
    grid->clearSelection();
    for (const int row : rows)
        grid->selectionModel()->select(grid->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

QStringList TestHistoryWindow::gridTexts(QTableView *grid) const
{
    QStringList texts;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        texts << grid->model()->index(row, int(HistoryField::mCutText)).data().toString();
    return texts;
}

void TestHistoryWindow::creationOpensTheTemplateOfTheProgramFolder()
{
    // init() created the window in a program folder holding tmp.dat: no error was shown.
    for (const Dialogs::Shown &shown : Dialogs::history())
        QVERIFY2(shown.kind != Dialogs::Kind::Error, qPrintable(shown.text));
    HistoryStore store;
    ChatOptions options;
    THForm other(store, options);
    QVERIFY(other.Store->connection().isOpen());
    QVERIFY(other.Store->connection().isReadOnly());
    QCOMPARE(other.Store->connection().databasePath(), QDir::current().filePath(u"tmp.dat"_qs));
    QVERIFY(!other.Store->table().isActive());
}

void TestHistoryWindow::creationWithoutTemplateShowsTheEngineError()
{
    QVERIFY(QFile::remove(m_folder->templatePath()));
    Dialogs::clearHistory();
    HistoryStore store;
    ChatOptions options;
    THForm other(store, options);
    QCOMPARE(Dialogs::history().size(), 1);
    QCOMPARE(Dialogs::history().at(0).kind, Dialogs::Kind::Error);
    QVERIFY2(Dialogs::history().at(0).text.startsWith(u"unable to open database file"_qs),
             qPrintable(Dialogs::history().at(0).text));
    QVERIFY(!other.Store->connection().isOpen());
    QVERIFY(!QFile::exists(m_folder->templatePath()));
}

void TestHistoryWindow::layout()
{
    QCOMPARE(m_form->windowTitle(), u"Palavrix - история"_qs);
    QCOMPARE(m_form->size(), QSize(634, 352));
    QVERIFY(m_form->isWindow());
    QVERIFY(!m_form->parentWidget());
    QCOMPARE(m_form->suiPageControl1->count(), 3);
    QCOMPARE(m_form->suiPageControl1->currentIndex(), 0);
    QCOMPARE(m_form->suiPageControl1->tabText(0), u"Все сообщения"_qs);
    QCOMPARE(m_form->suiPageControl1->tabText(1), u"Входящие"_qs);
    QCOMPARE(m_form->suiPageControl1->tabText(2), u"Исходящие"_qs);
    QCOMPARE(m_form->suiPageControl1->widget(1), m_form->suiTabSheet2);
    QCOMPARE(m_form->suiButton1->text(), u"Поиск"_qs);
    QCOMPARE(m_form->suiButton2->text(), u"Удалить"_qs);
    QCOMPARE(m_form->suiButton3->text(), u"Очистить"_qs);
    QCOMPARE(m_form->Button1->text(), u"Ok"_qs);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    QVERIFY(m_form->suiButton3->geometry().right() < m_form->Button1->x());
    QCOMPARE(m_form->Button1->geometry().right() + 6, m_form->width() - 1);
    QCOMPARE(m_form->StatusPanels[0]->text(), u"Сообщений: 0"_qs);
    QCOMPARE(m_form->StatusPanels[0]->textFormat(), Qt::PlainText);
    for (QTableView *grid : {m_form->DBGrid1, m_form->DBGrid2, m_form->DBGrid3}) {
        QCOMPARE(grid->model(), m_form->DataSource1);
        QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(grid->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(grid->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(grid->showGrid());
        QVERIFY(grid->horizontalHeader()->isVisibleTo(grid));
        QCOMPARE(grid->palette().color(QPalette::Base), White);
    }
}

void TestHistoryWindow::columns_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<int>("messageReserve");

    QTest::newRow("all messages") << 0
                                  << QStringList{u"Дата"_qs, u"Время"_qs, u"Отправитель"_qs,
                                                 u"Получатель"_qs, u"Сообщение"_qs}
                                  << 355;
    // The direction column of the one-way tabs lies beyond the right edge: never a sliver.
    QTest::newRow("incoming") << 1
                              << QStringList{u"Дата"_qs, u"Время"_qs, u"Отправитель"_qs,
                                             u"Сообщение"_qs}
                              << 255;
    QTest::newRow("outgoing") << 2
                              << QStringList{u"Дата"_qs, u"Время"_qs, u"Получатель"_qs,
                                             u"Сообщение"_qs}
                              << 255;
}

void TestHistoryWindow::columns()
{
    QFETCH(int, tab);
    QFETCH(QStringList, titles);
    QFETCH(int, messageReserve);
    QTableView *grids[] = {m_form->DBGrid1, m_form->DBGrid2, m_form->DBGrid3};
    QTableView *grid = grids[tab];
    QStringList shown;
    for (int c = 0; c < HistoryFieldCount; ++c) {
        if (!grid->isColumnHidden(c))
            shown << grid->model()->headerData(c, Qt::Horizontal).toString();
    }
    QCOMPARE(shown, titles);
    // The date column is 62 wide, or wider when the font needs it, and the message column
    // gives up what it takes beyond that.
    const int date = grid->columnWidth(int(HistoryField::mDate));
    QVERIFY(date >= 62);
    const int nick = tab == 2 ? int(HistoryField::mReceiver) : int(HistoryField::mSender);
    QCOMPARE(grid->columnWidth(nick), 100);
    QCOMPARE(grid->columnWidth(int(HistoryField::mCutText)),
             m_form->frameGeometry().width() - messageReserve - (date - 62));
    // The date and time columns take their texts whole, in the grid's font, beside the indent.
    const QFontMetrics metrics = grid->fontMetrics();
    QVERIFY(date > metrics.horizontalAdvance(u"10.12.2026"_qs) + 2);
    QVERIFY(date > metrics.horizontalAdvance(u"2026-12-28"_qs) + 2);
    QVERIFY(date > metrics.horizontalAdvance(
                       LocalDateText(QDateTime(QDate(2026, 12, 28), QTime(23, 59)))) +
                       2);
    const int timeText = metrics.horizontalAdvance(u"00:00:00"_qs);
    QVERIFY(grid->columnWidth(int(HistoryField::mTime)) > timeText);
}

// The grid shows the date in the form of the windows' language with its four-digit year; the
// store keeps the regional text older copies read.
void TestHistoryWindow::datesShowFourDigitYears_data()
{
    QTest::addColumn<QLocale::Language>("language");
    QTest::addColumn<QString>("format");
    QTest::newRow("English windows show year, month, day") << QLocale::English << u"yyyy-MM-dd"_qs;
    QTest::newRow("Russian windows show day, month, year") << QLocale::Russian << u"dd.MM.yyyy"_qs;
}

void TestHistoryWindow::datesShowFourDigitYears()
{
    QFETCH(QLocale::Language, language);
    QFETCH(QString, format);
    const QLocale before;
    QLocale::setDefault(QLocale(language));
    const QDateTime written = QDateTime::currentDateTime();
    m_form->AppendHistoryRecord(u"Анна"_qs, u"Me"_qs, u"hello"_qs, true);
    const QString shown =
        m_form->DBGrid1->model()->index(0, int(HistoryField::mDate)).data().toString();
    QLocale::setDefault(before);
    QCOMPARE(shown, QLocale::c().toString(written.date(), format));
    std::vector<HistoryRecord> records;
    QVERIFY(historytest::ReadStoreFile(m_form->Store->path(), records));
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(records.front().mDate, LocalDateText(written));
}

void TestHistoryWindow::countsPerTab_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("count");

    QTest::newRow("all messages") << 0
                                  << QStringList{u"in one"_qs, u"out one"_qs, u"in two"_qs,
                                                 u"in three"_qs, u"out two"_qs}
                                  << u"Сообщений: 5"_qs;
    QTest::newRow("incoming") << 1 << QStringList{u"in one"_qs, u"in two"_qs, u"in three"_qs}
                              << u"Сообщений: 3"_qs;
    QTest::newRow("outgoing") << 2 << QStringList{u"out one"_qs, u"out two"_qs}
                              << u"Сообщений: 2"_qs;
}

void TestHistoryWindow::countsPerTab()
{
    QFETCH(int, tab);
    QFETCH(QStringList, texts);
    QFETCH(QString, count);
    fillFiveRecords();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    // Through another tab first, so the tab really changes.
    m_form->suiPageControl1->setCurrentIndex((tab + 1) % 3);
    m_form->suiPageControl1->setCurrentIndex(tab);
    QCOMPARE(countText(), count);
    QCOMPARE(gridTexts(m_form->ActiveGrid()), texts);
    QCOMPARE(m_form->focusWidget(), m_form->Button1);
    // Showing the window again keeps the tab's filter.
    m_form->hide();
    m_form->show();
    QCOMPARE(gridTexts(m_form->ActiveGrid()), texts);
}

void TestHistoryWindow::deleteTwoSelectedOnIncoming()
{
    fillFiveRecords();
    m_form->show();
    m_form->suiPageControl1->setCurrentIndex(1);
    QCOMPARE(countText(), u"Сообщений: 3"_qs);
    selectRows(m_form->DBGrid2, {0, 2});
    Dialogs::clearHistory();
    Dialogs::setNextAnswer(Dialogs::Answer::Ok);
    QTest::mouseClick(m_form->suiButton2, Qt::LeftButton);
    QCOMPARE(Dialogs::history().size(), 1);
    QCOMPARE(Dialogs::history().at(0).kind, Dialogs::Kind::Question);
    QCOMPARE(Dialogs::history().at(0).caption, u"Palavrix"_qs);
    QCOMPARE(Dialogs::history().at(0).text, u"Удалить выделенное?"_qs);
    QCOMPARE(countText(), u"Сообщений: 1"_qs);
    QCOMPARE(gridTexts(m_form->DBGrid2), QStringList{u"in two"_qs});
    QVERIFY(!m_form->DBGrid2->selectionModel()->hasSelection());

    // At once again: the question, and nothing more is deleted.
    Dialogs::setNextAnswer(Dialogs::Answer::Ok);
    QTest::mouseClick(m_form->suiButton2, Qt::LeftButton);
    QCOMPARE(Dialogs::history().size(), 2);
    QCOMPARE(countText(), u"Сообщений: 1"_qs);

    std::vector<HistoryRecord> records;
    QVERIFY(historytest::ReadStoreFile(m_form->Store->path(), records));
    QStringList stored;
    for (const HistoryRecord &r : records)
        stored << r.mFullText;
    QCOMPARE(stored, (QStringList{u"out one"_qs, u"in two"_qs, u"out two"_qs}));
}

void TestHistoryWindow::deleteSelectionInOneTransaction_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QStringList>("left");

    QTest::newRow("scattered rows on all messages")
        << 0 << QList<int>{0, 2, 4} << QStringList{u"out one"_qs, u"in three"_qs};
    QTest::newRow("every incoming row; the outgoing ones stay")
        << 1 << QList<int>{0, 1, 2} << QStringList{u"out one"_qs, u"out two"_qs};
    QTest::newRow("every record of the store") << 0 << QList<int>{0, 1, 2, 3, 4} << QStringList{};
}

void TestHistoryWindow::deleteSelectionInOneTransaction()
{
    QFETCH(int, tab);
    QFETCH(QList<int>, selected);
    QFETCH(QStringList, left);
    fillFiveRecords();
    m_form->show();
    m_form->suiPageControl1->setCurrentIndex(tab);
    int commits = 0;
    sqlite3_commit_hook(
        m_form->Store->connection().handle(),
        [](void *count) {
            ++*static_cast<int *>(count);
            return 0;
        },
        &commits);
    selectRows(m_form->ActiveGrid(), selected);
    Dialogs::setNextAnswer(Dialogs::Answer::Ok);
    QTest::mouseClick(m_form->suiButton2, Qt::LeftButton);
    QVERIFY2(commits <= 1, qPrintable(QString::number(commits)));

    std::vector<HistoryRecord> records;
    QVERIFY(historytest::ReadStoreFile(m_form->Store->path(), records));
    QStringList stored;
    for (const HistoryRecord &r : records)
        stored << r.mFullText;
    QCOMPARE(stored, left);
    m_form->suiPageControl1->setCurrentIndex(0);
    QCOMPARE(gridTexts(m_form->DBGrid1), left);
    QCOMPARE(countText(), u"Сообщений: "_qs + QString::number(left.size()));
    // The store goes on as before.
    m_form->AppendHistoryRecord(u"Анна"_qs, u"Me"_qs, u"after"_qs, true);
    QCOMPARE(gridTexts(m_form->DBGrid1), left + QStringList{u"after"_qs});
}

void TestHistoryWindow::saveTheTabOrItsSelection_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("saved");

    QTest::newRow("the whole outgoing tab as text")
        << 2 << QList<int>{} << u"out.txt"_qs << QStringList{u"out one"_qs, u"out two"_qs};
    QTest::newRow("a selection on all messages as CSV")
        << 0 << QList<int>{1, 3} << u"picked.csv"_qs << QStringList{u"out one"_qs, u"in three"_qs};
}

void TestHistoryWindow::saveTheTabOrItsSelection()
{
    QFETCH(int, tab);
    QFETCH(QList<int>, selected);
    QFETCH(QString, name);
    QFETCH(QStringList, saved);
    fillFiveRecords();
    m_form->show();
    m_form->suiPageControl1->setCurrentIndex(tab);
    selectRows(m_form->ActiveGrid(), selected);
    const QString path = m_windows->folder().filePath(name);
    Dialogs::clearHistory();
    Dialogs::setNextInput(path);
    QTest::mouseClick(m_form->suiButton4, Qt::LeftButton);
    QCOMPARE(Dialogs::history().size(), 1);
    QCOMPARE(Dialogs::history().at(0).kind, Dialogs::Kind::SaveFile);

    const QByteArray bytes = testsupport::readFile(path);
    const QString text = QString::fromUtf8(bytes);
    const bool csv = name.endsWith(u".csv"_qs);
    QCOMPARE(bytes.startsWith("\xEF\xBB\xBF"
                              "Дата,Время,Отправитель,Получатель,Текст\r\n"),
             csv);
    QStringList found;
    for (const QString &message :
         {u"in one"_qs, u"out one"_qs, u"in two"_qs, u"in three"_qs, u"out two"_qs}) {
        if (text.contains(message))
            found << message;
    }
    QCOMPARE(found, saved);
    QCOMPARE(text.count(csv ? u"\r\n"_qs : u" -> "_qs), saved.size() + (csv ? 1 : 0));
    // Cancelling the file dialog writes nothing.
    QFile::remove(path);
    Dialogs::setNextInput(QString(), Dialogs::Answer::Cancel);
    QTest::mouseClick(m_form->suiButton4, Qt::LeftButton);
    QVERIFY(!QFile::exists(path));
}

void TestHistoryWindow::saveFailureIsReported()
{
    fillFiveRecords();
    m_form->show();
    Dialogs::clearHistory();
    Dialogs::setNextInput(m_windows->folder().filePath(u"missing/out.txt"_qs));
    QTest::mouseClick(m_form->suiButton4, Qt::LeftButton);
    QCOMPARE(Dialogs::history().size(), 2);
    QCOMPARE(Dialogs::history().at(1).kind, Dialogs::Kind::Error);
    QVERIFY2(Dialogs::history().at(1).text.startsWith(u"Не удалось сохранить файл"_qs),
             qPrintable(Dialogs::history().at(1).text));
}

void TestHistoryWindow::deleteCancelledChangesNothing()
{
    fillFiveRecords();
    m_form->show();
    selectRows(m_form->DBGrid1, {1, 3});
    Dialogs::setNextAnswer(Dialogs::Answer::Cancel);
    QTest::mouseClick(m_form->suiButton2, Qt::LeftButton);
    QCOMPARE(m_form->DataSource1->rowCount(), 5);
    QCOMPARE(m_form->DBGrid1->selectionModel()->selectedRows().size(), 2);
}

void TestHistoryWindow::clearAll_data()
{
    QTest::addColumn<int>("tab");
    QTest::newRow("from all messages") << 0;
    QTest::newRow("from incoming") << 1;
    QTest::newRow("from outgoing") << 2;
}

void TestHistoryWindow::clearAll()
{
    QFETCH(int, tab);
    fillFiveRecords();
    m_form->show();
    m_form->suiPageControl1->setCurrentIndex(tab);
    const QString filter = m_form->Table().filterText();
    Dialogs::clearHistory();
    Dialogs::setNextAnswer(Dialogs::Answer::Ok);
    QTest::mouseClick(m_form->suiButton3, Qt::LeftButton);
    QCOMPARE(Dialogs::history().size(), 1);
    QCOMPARE(Dialogs::history().at(0).text,
             u"История сообщений будет удалена безвозвратно. Продолжить?"_qs);
    QCOMPARE(countText(), u"Сообщений: 0"_qs);
    QCOMPARE(m_form->Table().filterText(), filter);
    QCOMPARE(m_form->Table().filtered(), tab != 0);
    for (int other = 0; other < 3; ++other) {
        m_form->suiPageControl1->setCurrentIndex(other);
        QCOMPARE(countText(), u"Сообщений: 0"_qs);
        QCOMPARE(m_form->ActiveGrid()->model()->rowCount(), 0);
    }
    QVERIFY(QFile::exists(m_form->Store->path()));
}

void TestHistoryWindow::clearCancelledChangesNothing()
{
    fillFiveRecords();
    Dialogs::setNextAnswer(Dialogs::Answer::Cancel);
    QTest::mouseClick(m_form->suiButton3, Qt::LeftButton);
    QCOMPARE(m_form->Table().recordCount(), 5);
    QCOMPARE(countText(), u"Сообщений: 5"_qs);
}

void TestHistoryWindow::ctrlDelete_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QStringList>("left");

    QTest::newRow("nothing selected: the current record")
        << QList<int>{} << 1 << u"Delete record?"_qs
        << QStringList{u"in one"_qs, u"in two"_qs, u"in three"_qs, u"out two"_qs};
    QTest::newRow("one selected row")
        << QList<int>{3} << 3 << u"Delete record?"_qs
        << QStringList{u"in one"_qs, u"out one"_qs, u"in two"_qs, u"out two"_qs};
    QTest::newRow("several selected rows")
        << QList<int>{0, 4} << 4 << u"Delete all selected records?"_qs
        << QStringList{u"out one"_qs, u"in two"_qs, u"in three"_qs};
}

void TestHistoryWindow::ctrlDelete()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, current);
    QFETCH(QString, question);
    QFETCH(QStringList, left);
    fillFiveRecords();
    m_form->show();
    QTableView *grid = m_form->DBGrid1;
    grid->setCurrentIndex(grid->model()->index(current, 0));
    selectRows(grid, selected);
    QCOMPARE(m_form->Table().recNo(), current);
    const QString countBefore = countText();
    Dialogs::clearHistory();
    Dialogs::setNextAnswer(Dialogs::Answer::Ok);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(Dialogs::history().size(), 1);
    QCOMPARE(Dialogs::history().at(0).text, question);
    QCOMPARE(gridTexts(grid), left);
    QCOMPARE(countText(), countBefore); // the grid's own deletion leaves the count text

    // Cancelled, nothing goes.
    Dialogs::setNextAnswer(Dialogs::Answer::Cancel);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(gridTexts(grid), left);
}

void TestHistoryWindow::rowColours_data()
{
    QTest::addColumn<bool>("chosen");
    QTest::addColumn<int>("incomingIndex");
    QTest::addColumn<int>("outgoingIndex");
    QTest::addColumn<QColor>("incomingColour");
    QTest::addColumn<QColor>("outgoingColour");

    // Lime 10, Purple 5, Teal 6, Maroon 1 of the colour list.
    QTest::newRow("own colours off: red and navy whatever the boxes hold")
        << false << 10 << 5 << Red << Navy;
    QTest::newRow("own colours on: the boxes' colours")
        << true << 10 << 5 << QColor(0x00, 0xFF, 0x00) << QColor(0x80, 0x00, 0x80);
    QTest::newRow("own colours on, other choices")
        << true << 6 << 1 << QColor(0x00, 0x80, 0x80) << QColor(0x80, 0x00, 0x00);
}

void TestHistoryWindow::rowColours()
{
    QFETCH(bool, chosen);
    QFETCH(int, incomingIndex);
    QFETCH(int, outgoingIndex);
    QFETCH(QColor, incomingColour);
    QFETCH(QColor, outgoingColour);
    fillFiveRecords();
    Form2->CheckBox10->setChecked(chosen);
    Form2->ColorBox2->selectIndex(incomingIndex);
    Form2->ColorBox3->selectIndex(outgoingIndex);
    QCOMPARE(m_form->RowTextColor(1, false), incomingColour);
    QCOMPARE(m_form->RowTextColor(0, false), outgoingColour);
    QCOMPARE(m_form->RowTextColor(1, true), White);

    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    m_form->Table().moveTo(0); // rows 1..4 are ordinary rows
    QTableView *grid = m_form->DBGrid1;
    for (const int row : {1, 2, 3, 4}) {
        const bool incoming = grid->model()->index(row, 0).data(HistoryModel::IncomingRole).toInt();
        const QColor expected = incoming ? incomingColour : outgoingColour;
        const QColor other = incoming ? outgoingColour : incomingColour;
        for (const HistoryField field : {HistoryField::mDate, HistoryField::mCutText}) {
            const QImage image = cellImage(grid, row, field);
            QVERIFY2(pixelsOf(image, expected, White) > 3, qPrintable(QString::number(row)));
            QCOMPARE(pixelsOf(image, other, White), 0);
        }
    }
}

void TestHistoryWindow::currentRowIsWhite_data()
{
    QTest::addColumn<int>("row");
    QTest::newRow("incoming current row") << 0;
    QTest::newRow("outgoing current row") << 1;
}

void TestHistoryWindow::currentRowIsWhite()
{
    QFETCH(int, row);
    fillFiveRecords();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    QTableView *grid = m_form->DBGrid1;
    m_form->Table().moveTo(row);
    const QColor highlight = grid->palette().color(QPalette::Active, QPalette::Highlight);
    const QImage image = cellImage(grid, row, HistoryField::mCutText);
    QVERIFY(pixelsOf(image, White, highlight) > 3);
    QCOMPARE(pixelsOf(image, Red, highlight), 0);
    QCOMPARE(pixelsOf(image, Navy, highlight), 0);
    QCOMPARE(image.pixelColor(image.width() - 2, image.height() / 2), highlight);
}

void TestHistoryWindow::settingsRecolourAtOnce()
{
    fillFiveRecords();
    Form2->ColorBox2->selectIndex(10);
    Form2->CheckBox10->setChecked(false);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    m_form->Table().moveTo(4);
    QTableView *grid = m_form->DBGrid1;
    QVERIFY(pixelsOf(cellImage(grid, 0, HistoryField::mCutText), Red, White) > 3);
    QCoreApplication::processEvents();
    // The settings window's change handling has the grid painted again.
    PaintCounter paints(grid->viewport());
    Form2->CheckBox10->setChecked(true);
    QTRY_VERIFY(paints.count > 0);
    QVERIFY(pixelsOf(cellImage(grid, 0, HistoryField::mCutText), QColor(0, 255, 0), White) > 3);
    QCOMPARE(pixelsOf(cellImage(grid, 0, HistoryField::mCutText), Red, White), 0);
}

void TestHistoryWindow::resizeSetsMessageColumns_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("allTab");
    QTest::addColumn<int>("oneWayTabs");
    QTest::newRow("800 wide") << 800 << 445 << 545;
    QTest::newRow("initial width") << 634 << 279 << 379;
    QTest::newRow("narrowest") << 400 << 45 << 145;
}

void TestHistoryWindow::resizeSetsMessageColumns()
{
    QFETCH(int, width);
    QFETCH(int, allTab);
    QFETCH(int, oneWayTabs);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    const int frame = m_form->frameGeometry().width() - m_form->width();
    m_form->resize(width - frame, 400);
    QCOMPARE(m_form->frameGeometry().width(), width);
    const int message = int(HistoryField::mCutText);
    const int widening = m_form->DBGrid1->columnWidth(int(HistoryField::mDate)) - 62;
    QCOMPARE(m_form->DBGrid1->columnWidth(message), allTab - widening);
    QCOMPARE(m_form->DBGrid2->columnWidth(message), oneWayTabs - widening);
    QCOMPARE(m_form->DBGrid3->columnWidth(message), oneWayTabs - widening);
}

void TestHistoryWindow::sizeNeverBelowLimits()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    m_form->resize(100, 50);
    QCOMPARE(m_form->frameGeometry().size(), QSize(400, 200));
    m_form->resize(390, 600);
    QCOMPARE(m_form->frameGeometry().width(), 400);
    QCOMPARE(m_form->DBGrid1->columnWidth(int(HistoryField::mCutText)),
             45 - (m_form->DBGrid1->columnWidth(int(HistoryField::mDate)) - 62));
}

void TestHistoryWindow::recordsWrittenWhileOpenAppear()
{
    fillFiveRecords();
    m_form->show();
    m_form->suiPageControl1->setCurrentIndex(2);
    QCOMPARE(countText(), u"Сообщений: 2"_qs);
    m_form->AppendHistoryRecord(u"Me"_qs, u"Анна"_qs, u"out three"_qs, false);
    QCOMPARE(countText(), u"Сообщений: 3"_qs);
    QCOMPARE(gridTexts(m_form->DBGrid3).last(), u"out three"_qs);
    QCOMPARE(m_form->DBGrid3->currentIndex().row(), 2);
    // An incoming message does not belong to this tab.
    m_form->AppendHistoryRecord(u"Анна"_qs, u"Me"_qs, u"in four"_qs, true);
    QCOMPARE(countText(), u"Сообщений: 3"_qs);
    QCOMPARE(gridTexts(m_form->DBGrid3).size(), 3);
    m_form->suiPageControl1->setCurrentIndex(0);
    QCOMPARE(countText(), u"Сообщений: 7"_qs);
}

// Grids nobody sees skip following each new record and catch up when they are shown: the
// grid in sight always stands on the table's current record.
void TestHistoryWindow::gridsHiddenMeanwhileFollowWhenShown()
{
    fillFiveRecords();
    m_form->AppendHistoryRecord(u"Me"_qs, u"Анна"_qs, u"out three"_qs, false);
    m_form->suiPageControl1->setCurrentIndex(1);
    m_form->show();
    m_form->AppendHistoryRecord(u"Анна"_qs, u"Me"_qs, u"in four"_qs, true);
    QCOMPARE(gridTexts(m_form->DBGrid2).last(), u"in four"_qs);
    QCOMPARE(m_form->DBGrid2->currentIndex().row(), gridTexts(m_form->DBGrid2).size() - 1);
    QCOMPARE(m_form->DBGrid2->currentIndex().row(), m_form->Table().recNo());
    m_form->suiPageControl1->setCurrentIndex(0);
    m_form->Table().moveTo(3);
    QCOMPARE(m_form->DBGrid1->currentIndex().row(), 3);
    m_form->hide();
    m_form->Table().moveTo(5);
    m_form->show();
    QCOMPARE(m_form->DBGrid1->currentIndex().row(), m_form->Table().recNo());
    m_form->hide();
    m_form->AppendHistoryRecord(u"Me"_qs, u"Анна"_qs, u"out five"_qs, false);
    m_form->show();
    QCOMPARE(m_form->DBGrid1->currentIndex().row(), m_form->Table().recNo());
}

void TestHistoryWindow::doubleClickOpensTheViewer()
{
    fillFiveRecords();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    QTableView *grid = m_form->DBGrid1;
    const QRect cell = grid->visualRect(grid->model()->index(2, int(HistoryField::mCutText)));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QVERIFY(Form6->isVisible());
    QCOMPARE(Form6->windowModality(), Qt::NonModal);
    QCOMPARE(Form6->DBMemo1->toPlainText(), u"in two"_qs);
    QCOMPARE(Form6->DBEdit3->text(), u"Борис"_qs);
}

void TestHistoryWindow::viewerFollowsTheCurrentRecord()
{
    fillFiveRecords();
    m_form->AppendHistoryRecord(u"Анна"_qs, u"Me"_qs, u"<b>two</b>\r\nlines"_qs, true);
    m_form->show();
    Form6->show();
    QTableView *grid = m_form->DBGrid1;
    grid->setCurrentIndex(grid->model()->index(1, 0));
    QCOMPARE(Form6->DBMemo1->toPlainText(), u"out one"_qs);
    QCOMPARE(Form6->DBEdit4->text(), u"Анна"_qs);
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(Form6->DBMemo1->toPlainText(), u"in two"_qs);
    // Markup shows as typed, line breaks as lines.
    grid->setCurrentIndex(grid->model()->index(5, 0));
    QCOMPARE(Form6->DBMemo1->toPlainText(), u"<b>two</b>\nlines"_qs);
    // A deletion shows the record that took the current place.
    grid->setCurrentIndex(grid->model()->index(3, 0));
    Dialogs::setNextAnswer(Dialogs::Answer::Ok);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(Form6->DBMemo1->toPlainText(), u"out two"_qs);
    // A new record becomes current.
    m_form->AppendHistoryRecord(u"Me"_qs, u"Вера"_qs, u"newest"_qs, false);
    QCOMPARE(Form6->DBMemo1->toPlainText(), u"newest"_qs);
    QCOMPARE(Form6->DBEdit3->text(), u"Me"_qs);
    QVERIFY(!Form6->DBEdit1->text().isEmpty());
    // No current record: empty fields.
    Dialogs::setNextAnswer(Dialogs::Answer::Ok);
    QTest::mouseClick(m_form->suiButton3, Qt::LeftButton);
    for (QLineEdit *edit : {Form6->DBEdit1, Form6->DBEdit2, Form6->DBEdit3, Form6->DBEdit4})
        QVERIFY(edit->text().isEmpty());
    QVERIFY(Form6->DBMemo1->toPlainText().isEmpty());
    // "OK" hides the viewer.
    QTest::mouseClick(Form6->Button1, Qt::LeftButton);
    QVERIFY(!Form6->isVisible());
}

void TestHistoryWindow::searchButtonShowsTheSearchModal()
{
    m_form->show();
    QTest::mouseClick(m_form->suiButton1, Qt::LeftButton);
    QVERIFY(Form5->isVisible());
    QCOMPARE(Form5->windowModality(), Qt::ApplicationModal);
    Form5->close();
}

void TestHistoryWindow::okHidesTheWindow()
{
    m_form->show();
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QVERIFY(!m_form->isVisible());
    // Shown again, the same window comes back with its store.
    fillFiveRecords();
    m_form->show();
    QCOMPARE(m_form->DataSource1->rowCount(), 5);
}

void TestHistoryWindow::closedStoreReportsOnTabChange()
{
    QVERIFY(QFile::remove(m_folder->templatePath()));
    Dialogs::clearHistory();
    try {
        m_form->ResetHistory();
        QFAIL("reset without template succeeded");
    } catch (const EDatabaseError &) {
    }
    m_form->show();
    Dialogs::clearHistory();
    m_form->suiPageControl1->setCurrentIndex(1);
    QCOMPARE(Dialogs::history().size(), 1);
    QCOMPARE(Dialogs::history().at(0).kind, Dialogs::Kind::Error);
    QVERIFY(Dialogs::history().at(0).text.startsWith(
        u"Cannot perform this operation on a closed dataset"_qs));
    QCOMPARE(m_form->DBGrid2->model()->rowCount(), 0);
    try {
        m_form->AppendHistoryRecord(u"Me"_qs, u"Bob"_qs, u"lost"_qs, false);
        QFAIL("append on a closed store succeeded");
    } catch (const AppError &e) {
        QCOMPARE(e.message(), u"Cannot perform this operation on a closed dataset"_qs);
    }
}

PALAVRIX_TEST_MAIN(TestHistoryWindow)
#include "tst_HistoryWindow.moc"
