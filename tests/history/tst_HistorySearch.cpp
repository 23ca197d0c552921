#include "Dialogs.h"
#include "HistoryDatabase.h"
#include "HistoryModel.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "HistoryWindows.h"
#include "RecordViewer.h"
#include "SearchWindow.h"
#include "TestSupport.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <memory>

using historytest::HistoryWindows;

namespace
{

const QString Found = QStringLiteral("Запрошеный текст найден...");
const QString NotFound = QStringLiteral("Поиск не дал результата...");

// The store every search test starts from, in table order. On "Входящие" the view holds the
// records 0, 2, 4, 5, 7; on "Исходящие" 1, 3, 6.
struct Stored {
    const char16_t *text;
    bool incoming;
};
const Stored Records[] = {
    {u"Привет из дома", true},
    {u"привет, как дела?", false},
    {u"Hello World", true},
    {u"ёлка в лесу", false},
    {u"ЁЛКА НА ПЛОЩАДИ", true},
    {nullptr, true}, // 200 x, then " needle": the word lies beyond the preview
    {u"hello again", false},
    {u"Київ і ЉУБЉАНА", true},
};

QString storedText(const Stored &r)
{
    return r.text ? QString::fromUtf16(r.text) : QString(200, u'x') + u" needle"_qs;
}

} // namespace

// The search window and the record viewer working on the history's table view.
class TestHistorySearch final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void layout();
    void search_data();
    void search();
    void searchAgainFindsTheNextOccurrence();
    void enterInTheEditSearches();
    void searchClearsTheSelection();
    void viewerShowsTheFoundRecord();
    void viewsLearnOnlyTheOutcome();
    void textAndDirectionSurvive();
    void searchOnAClosedStoreReportsTheError();

private:
    void searchFrom(int tab, int start, bool down, const QString &text);
    QString status() const { return Form5->StatusPanels[1]->text(); }

    std::unique_ptr<HistoryWindows> m_windows;
    THForm *m_form = nullptr;
};

void TestHistorySearch::initTestCase()
{
    Dialogs::setAutoAnswer(true);
}

void TestHistorySearch::cleanupTestCase()
{
    Dialogs::setAutoAnswer(false);
    Dialogs::clearHistory();
}

void TestHistorySearch::init()
{
    m_windows = std::make_unique<HistoryWindows>();
    m_form = m_windows->form();
    for (const Stored &r : Records)
        m_form->AppendHistoryRecord(r.incoming ? u"Анна"_qs : u"Me"_qs,
                                    r.incoming ? u"Me"_qs : u"Анна"_qs, storedText(r), r.incoming);
    m_form->show();
    Dialogs::clearHistory();
}

void TestHistorySearch::cleanup()
{
    m_form = nullptr;
    m_windows.reset();
}

void TestHistorySearch::searchFrom(int tab, int start, bool down, const QString &text)
{
    m_form->suiPageControl1->setCurrentIndex(tab);
    m_form->Table().moveTo(start);
    (down ? Form5->RadioButton1 : Form5->RadioButton2)->setChecked(true);
    Form5->Edit1->setText(text);
    QTest::mouseClick(Form5->Button1, Qt::LeftButton);
}

void TestHistorySearch::layout()
{
    QCOMPARE(Form5->windowTitle(), u"Поиск текста"_qs);
    QCOMPARE(Form5->size(), QSize(328, 161));
    QCOMPARE(Form5->minimumSize(), Form5->maximumSize());
    QCOMPARE(Form5->Label1->text(), u"Текст для поиска"_qs);
    QCOMPARE(Form5->Button1->text(), u"Искать"_qs);
    QCOMPARE(Form5->suiGroupBox1->title(), u"Направление поиска"_qs);
    QCOMPARE(Form5->RadioButton1->text(), u"Вниз"_qs);
    QCOMPARE(Form5->RadioButton2->text(), u"Вверх"_qs);
    QVERIFY(Form5->RadioButton1->isChecked());
    QVERIFY(!Form5->RadioButton2->isChecked());
    QCOMPARE(Form5->StatusPanels[0]->text(), u"Состояние:"_qs);
    QCOMPARE(Form5->StatusPanels[0]->width(), 80);
    QVERIFY(status().isEmpty());

    QCOMPARE(Form6->windowTitle(), u"Просмотр записи"_qs);
    QCOMPARE(Form6->size(), QSize(449, 274));
    QCOMPARE(Form6->Label1->text(), u"Дата"_qs);
    QCOMPARE(Form6->Label2->text(), u"Время"_qs);
    QCOMPARE(Form6->Label3->text(), u"Отправитель"_qs);
    QCOMPARE(Form6->Label4->text(), u"Получатель"_qs);
    QCOMPARE(Form6->Label5->text(), u"Текст сообщения"_qs);
    QVERIFY(Form6->DBEdit3->font().bold());
    QVERIFY(Form6->DBEdit4->font().bold());
    QVERIFY(!Form6->DBEdit1->font().bold());
    for (QLineEdit *edit : {Form6->DBEdit1, Form6->DBEdit2, Form6->DBEdit3, Form6->DBEdit4})
        QVERIFY(edit->isReadOnly());
    QVERIFY(Form6->DBMemo1->isReadOnly());
    QCOMPARE(Form6->Button1->text(), u"OK"_qs);
}

void TestHistorySearch::search_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("down");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("found"); // position in the tab's view; -1: nothing

    QTest::newRow("down: the next match, never the current record")
        << 0 << 0 << true << u"привет"_qs << 1;
    QTest::newRow("up: the previous match") << 0 << 6 << false << u"hello"_qs << 2;
    QTest::newRow("down from the last record finds nothing") << 0 << 6 << true << u"hello"_qs << -1;
    QTest::newRow("up from the first record finds nothing")
        << 0 << 0 << false << u"привет"_qs << -1;
    QTest::newRow("no wrap past the end") << 0 << 5 << true << u"привет"_qs << -1;
    QTest::newRow("lower-case Cyrillic finds capitals") << 0 << 0 << true << u"площади"_qs << 4;
    QTest::newRow("capitals find lower-case Cyrillic") << 0 << 0 << true << u"КАК ДЕЛА"_qs << 1;
    QTest::newRow("yo finds capital Yo") << 0 << 0 << true << u"ёлка на"_qs << 4;
    QTest::newRow("capital Yo finds yo") << 0 << 6 << false << u"ЁЛКА В"_qs << 3;
    QTest::newRow("Latin letters fold too") << 0 << 0 << true << u"wORLD"_qs << 2;
    QTest::newRow("Ukrainian capitals find lower case") << 0 << 0 << true << u"КИЇВ"_qs << 7;
    QTest::newRow("Serbian lower case finds capitals") << 0 << 0 << true << u"љубљана"_qs << 7;
    QTest::newRow("a word beyond the first 200 characters") << 0 << 0 << true << u"needle"_qs << -1;
    QTest::newRow("an empty text is never found") << 0 << 2 << true << QString() << -1;
    QTest::newRow("outgoing tab: a word of incoming messages only")
        << 2 << 0 << true << u"world"_qs << -1;
    QTest::newRow("outgoing tab: its own records") << 2 << 0 << true << u"HELLO"_qs << 2;
    QTest::newRow("incoming tab: its own records") << 1 << 0 << true << u"ёлка"_qs << 2;
    QTest::newRow("incoming tab: outgoing words are not there")
        << 1 << 3 << false << u"как дела"_qs << -1;
}

void TestHistorySearch::search()
{
    QFETCH(int, tab);
    QFETCH(int, start);
    QFETCH(bool, down);
    QFETCH(QString, text);
    QFETCH(int, found);
    searchFrom(tab, start, down, text);
    QCOMPARE(status(), found >= 0 ? Found : NotFound);
    QCOMPARE(m_form->Table().recNo(), found >= 0 ? found : start);
    QCOMPARE(m_form->ActiveGrid()->currentIndex().row(), m_form->Table().recNo());
    QVERIFY(Dialogs::history().isEmpty());
}

void TestHistorySearch::searchAgainFindsTheNextOccurrence()
{
    searchFrom(0, 0, true, u"hello"_qs);
    QCOMPARE(m_form->Table().recNo(), 2);
    QTest::mouseClick(Form5->Button1, Qt::LeftButton);
    QCOMPARE(m_form->Table().recNo(), 6);
    QCOMPARE(status(), Found);
    QTest::mouseClick(Form5->Button1, Qt::LeftButton);
    QCOMPARE(m_form->Table().recNo(), 6);
    QCOMPARE(status(), NotFound);
}

void TestHistorySearch::enterInTheEditSearches()
{
    Form5->show();
    m_form->Table().moveTo(0);
    Form5->Edit1->clear();
    QTest::keyClicks(Form5->Edit1, u"world"_qs);
    QTest::keyClick(Form5->Edit1, Qt::Key_Return);
    QCOMPARE(status(), Found);
    QCOMPARE(m_form->Table().recNo(), 2);
    QVERIFY(Form5->isVisible()); // the search never closes the window
}

void TestHistorySearch::searchClearsTheSelection()
{
    QTableView *grid = m_form->DBGrid1;
    grid->selectionModel()->select(grid->model()->index(3, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(grid->selectionModel()->hasSelection());
    searchFrom(0, 0, true, u"nothing like this"_qs);
    QVERIFY(!grid->selectionModel()->hasSelection());
}

void TestHistorySearch::viewerShowsTheFoundRecord()
{
    Form6->show();
    m_form->Table().moveTo(0);
    QCOMPARE(Form6->DBMemo1->toPlainText(), u"Привет из дома"_qs);
    searchFrom(0, 0, true, u"площади"_qs);
    QCOMPARE(Form6->DBMemo1->toPlainText(), u"ЁЛКА НА ПЛОЩАДИ"_qs);
    QCOMPARE(Form6->DBEdit3->text(), u"Анна"_qs);
    QCOMPARE(Form6->DBEdit4->text(), u"Me"_qs);
    // The preview ends at 200 characters; the viewer shows the whole message.
    searchFrom(0, 0, true, u"xxxxx"_qs);
    QCOMPARE(Form6->DBMemo1->toPlainText(), storedText(Records[5]));
    // Nothing found: the viewer keeps the record it shows.
    searchFrom(0, 5, true, u"no such words"_qs);
    QCOMPARE(Form6->DBMemo1->toPlainText(), storedText(Records[5]));
}

void TestHistorySearch::viewsLearnOnlyTheOutcome()
{
    m_form->Table().moveTo(0);
    QSignalSpy moves(&m_form->Table(), &HistoryTable::currentChanged);
    Form5->Edit1->setText(u"hello again"_qs);
    Form5->RadioButton1->setChecked(true);
    QTest::mouseClick(Form5->Button1, Qt::LeftButton);
    QCOMPARE(m_form->Table().recNo(), 6);
    QCOMPARE(moves.size(), 1);
}

void TestHistorySearch::textAndDirectionSurvive()
{
    Form5->show();
    Form5->Edit1->setText(u"keep me"_qs);
    Form5->RadioButton2->setChecked(true);
    QTest::mouseClick(Form5->Button1, Qt::LeftButton);
    Form5->close();
    QTest::mouseClick(m_form->suiButton1, Qt::LeftButton);
    QVERIFY(Form5->isVisible());
    QCOMPARE(Form5->Edit1->text(), u"keep me"_qs);
    QVERIFY(Form5->RadioButton2->isChecked());
    QCOMPARE(status(), NotFound);
    Form5->close();
}

void TestHistorySearch::searchOnAClosedStoreReportsTheError()
{
    m_form->Store->connection().close();
    Form5->Edit1->setText(u"hello"_qs);
    QTest::mouseClick(Form5->Button1, Qt::LeftButton);
    QCOMPARE(Dialogs::history().size(), 1);
    QCOMPARE(Dialogs::history().at(0).kind, Dialogs::Kind::Error);
    QVERIFY(Dialogs::history().at(0).text.startsWith(
        u"Cannot perform this operation on a closed dataset"_qs));
    QVERIFY(status().isEmpty());
    QVERIFY(!m_form->Table().controlsDisabled());
}

PALAVRIX_TEST_MAIN(TestHistorySearch)
#include "tst_HistorySearch.moc"
