#include "ColorBox.h"
#include "LogView.h"
#include "TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <memory>

// The append-only view: how it stores lines, follows the end, wraps, selects and shows
// itself to assistive tools.
class TestLogView final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void appendSplitsLines_data();
    void appendSplitsLines();
    void markupStaysText();
    void followsEndUntilScrolledAway();
    void wrapsLongLines_data();
    void wrapsLongLines();
    void selectsAndCopies();
    void mouseSelection();
    void clearForgetsEverything();
    void keepsNewestLines_data();
    void keepsNewestLines();
    void defaultBoundIsAMillionLines();
    void paintsLinesInTheirColours();
    void shownLinesFollowAFontChange();
    void scrollRangeFollowsAFontChange();
    void longLineWithoutWrappingIsShownWhereScrolled();
    void accessibleTextCarriesColourAndWeight();
    void screenReaderHearsABurstAsOneInsertion();

private:
    void showView(QSize size);
    bool lineShown(int line) const;

    std::unique_ptr<LogView> m_view;
};

void TestLogView::init()
{
    m_view = std::make_unique<LogView>();
}

void TestLogView::cleanup()
{
    m_view.reset();
}

void TestLogView::showView(QSize size)
{
    m_view->resize(size);
    m_view->show();
    testsupport::require(QTest::qWaitForWindowExposed(m_view.get()),
                         "QTest::qWaitForWindowExposed(m_view.get())");
}

bool TestLogView::lineShown(int line) const
{
    const QRect rect = m_view->characterRect(m_view->lineStart(line));
    return !rect.isEmpty() && rect.top() >= 0 && rect.bottom() <= m_view->viewport()->height();
}

void TestLogView::appendSplitsLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("one line") << QStringLiteral("Hello") << QStringList{"Hello"};
    QTest::newRow("empty") << QString() << QStringList{""};
    QTest::newRow("CR LF") << QStringLiteral("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("LF") << QStringLiteral("a\nb\n") << QStringList{"a", "b", ""};
    QTest::newRow("CR") << QStringLiteral("a\rb") << QStringList{"a", "b"};
    QTest::newRow("LF CR is two breaks") << QStringLiteral("a\n\rb") << QStringList{"a", "", "b"};
    QTest::newRow("blank lines kept") << QStringLiteral("\r\n\r\nx") << QStringList{"", "", "x"};
}

void TestLogView::appendSplitsLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    m_view->AppendLine(QStringLiteral("first"), Qt::blue);
    m_view->AppendLine(text, QColor(200, 10, 20), true);
    QCOMPARE(m_view->LineCount(), 1 + lines.size());
    QCOMPARE(m_view->LineText(0), QStringLiteral("first"));
    QCOMPARE(m_view->LineColor(0), QColor(Qt::blue));
    QVERIFY(!m_view->LineBold(0));
    for (int i = 0; i < lines.size(); ++i) {
        QCOMPARE(m_view->LineText(i + 1), lines.at(i));
        QCOMPARE(m_view->LineColor(i + 1), QColor(200, 10, 20));
        QVERIFY(m_view->LineBold(i + 1));
    }
    QCOMPARE(m_view->text(), QStringLiteral("first\n") + lines.join(u'\n'));
}

void TestLogView::markupStaysText()
{
    const QString text = QStringLiteral("<b>bold</b> <img src=x> &amp; http://x.org");
    m_view->AppendLine(text, Qt::black);
    QCOMPARE(m_view->LineText(0), text);
    QCOMPARE(m_view->text(), text);
}

void TestLogView::followsEndUntilScrolledAway()
{
    showView(QSize(300, 120));
    for (int i = 0; i < 50; ++i)
        m_view->AppendLine(QStringLiteral("line %1").arg(i), Qt::black);
    QTRY_VERIFY(m_view->verticalScrollBar()->maximum() > 0);
    QCOMPARE(m_view->verticalScrollBar()->value(), m_view->verticalScrollBar()->maximum());
    QVERIFY(lineShown(49));
    QVERIFY(!lineShown(0));

    m_view->ScrollToTop();
    QVERIFY(lineShown(0));
    QVERIFY(!lineShown(49));
    QTest::keyClick(m_view.get(), Qt::Key_Down);
    QVERIFY(!lineShown(0));
    QVERIFY(lineShown(1));

    QTest::keyClick(m_view.get(), Qt::Key_End, Qt::ControlModifier);
    QVERIFY(lineShown(49));
    m_view->ScrollToTop();
    m_view->AppendLine(QStringLiteral("newest"), Qt::black);
    QTRY_VERIFY(lineShown(50));
}

void TestLogView::wrapsLongLines_data()
{
    QTest::addColumn<bool>("wrap");
    QTest::newRow("wrapping") << true;
    QTest::newRow("not wrapping") << false;
}

void TestLogView::wrapsLongLines()
{
    QFETCH(bool, wrap);
    m_view->setWordWrap(wrap);
    showView(QSize(160, 200));
    const QString longLine = QStringLiteral("word ").repeated(40).trimmed();
    m_view->AppendLine(longLine, Qt::black);
    m_view->AppendLine(QStringLiteral("after"), Qt::black);
    QTRY_VERIFY(lineShown(1));
    if (!wrap)
        QTRY_VERIFY(m_view->horizontalScrollBar()->maximum() > 0);
    const QRect first = m_view->characterRect(0);
    const QRect last = m_view->characterRect(longLine.size() - 1);
    const QRect next = m_view->characterRect(m_view->lineStart(1));
    if (wrap) {
        QVERIFY(last.top() > first.top());
        QVERIFY(last.right() <= m_view->viewport()->width());
        QVERIFY(next.top() > last.top());
    } else {
        QCOMPARE(last.top(), first.top());
    }
}

void TestLogView::selectsAndCopies()
{
    m_view->AppendLine(QStringLiteral("Hello"), Qt::black);
    m_view->AppendLine(QStringLiteral("World"), Qt::red);
    m_view->setSelection(3, 8);
    QCOMPARE(m_view->selectedText(), QStringLiteral("lo\nWo"));
    m_view->setSelection(-5, 100);
    QCOMPARE(m_view->selectedText(), QStringLiteral("Hello\nWorld"));

    QApplication::clipboard()->clear();
    m_view->setSelection(6, 11);
    QTest::keySequence(m_view.get(), QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("World"));
    QTest::keySequence(m_view.get(), QKeySequence::SelectAll);
    QCOMPARE(m_view->selectedText(), m_view->text());
}

void TestLogView::mouseSelection()
{
    showView(QSize(300, 200));
    m_view->AppendLine(QStringLiteral("alpha beta"), Qt::black);
    m_view->AppendLine(QStringLiteral("gamma"), Qt::black);
    QTRY_VERIFY(lineShown(1));
    QWidget *viewport = m_view->viewport();
    const QPoint start = m_view->characterRect(0).center();
    const QPoint end = m_view->characterRect(m_view->lineStart(1) + 2).topLeft() + QPoint(0, 2);
    QTest::mousePress(viewport, Qt::LeftButton, {}, start);
    QTest::mouseMove(viewport, end);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, end);
    QCOMPARE(m_view->selectedText(), QStringLiteral("alpha beta\nga"));

    QTest::mouseDClick(viewport, Qt::LeftButton, {}, m_view->characterRect(7).center());
    QCOMPARE(m_view->selectedText(), QStringLiteral("beta"));
}

void TestLogView::clearForgetsEverything()
{
    m_view->AppendLine(QStringLiteral("one\ntwo"), Qt::black);
    m_view->selectAll();
    m_view->Clear();
    QCOMPARE(m_view->LineCount(), 0);
    QVERIFY(m_view->text().isEmpty());
    QVERIFY(m_view->selectedText().isEmpty());
    m_view->AppendLine(QStringLiteral("three"), Qt::green);
    QCOMPARE(m_view->LineCount(), 1);
    QCOMPARE(m_view->text(), QStringLiteral("three"));
}

void TestLogView::keepsNewestLines_data()
{
    QTest::addColumn<int>("bound");
    QTest::addColumn<int>("appended");
    QTest::newRow("a small bound") << 5 << 12;
    // Crosses the storage's blocks of 4096 lines several times over.
    QTest::newRow("a bound over several blocks") << 5000 << 23456;
}

void TestLogView::keepsNewestLines()
{
    QFETCH(int, bound);
    QFETCH(int, appended);
    m_view->setMaximumLines(bound);
    for (int i = 1; i <= appended; i += 2)
        m_view->AppendLine(QStringLiteral("line %1\nline %2").arg(i).arg(i + 1),
                           QColor(i % 256, 0, 0), i % 3 == 0);
    QCOMPARE(m_view->LineCount(), bound);
    const int first = appended - bound + 1;
    for (int line : {0, 1, bound / 2, bound - 1}) {
        const int number = first + line;
        QCOMPARE(m_view->LineText(line), QStringLiteral("line %1").arg(number));
        const int odd = number % 2 ? number : number - 1;
        QCOMPARE(m_view->LineColor(line), QColor(odd % 256, 0, 0));
        QCOMPARE(m_view->LineBold(line), odd % 3 == 0);
        QCOMPARE(m_view->lineAtOffset(m_view->lineStart(line)), line);
    }
    QStringList expected;
    for (int i = first; i <= appended; ++i)
        expected << QStringLiteral("line %1").arg(i);
    QCOMPARE(m_view->text(), expected.join(u'\n'));
    QCOMPARE(m_view->lineStart(0), 0);

    // A selection over the oldest line loses what was dropped.
    m_view->setSelection(0, m_view->lineStart(1) + 4);
    m_view->AppendLine(QStringLiteral("newest"), Qt::black);
    QCOMPARE(m_view->selectedText(), QStringLiteral("line"));
    QCOMPARE(m_view->LineText(bound - 1), QStringLiteral("newest"));
    QAccessibleInterface *acc = QAccessible::queryAccessibleInterface(m_view.get());
    QVERIFY(acc && acc->textInterface());
    QCOMPARE(acc->textInterface()->characterCount(), int(m_view->text().size()));
    QCOMPARE(acc->textInterface()->text(0, 6), QStringLiteral("line %1").arg(first + 1).left(6));
}

void TestLogView::defaultBoundIsAMillionLines()
{
    for (int i = 0; i <= LogView::DefaultMaximumLines; ++i)
        m_view->AppendLine(QString::number(i), Qt::black);
    QCOMPARE(m_view->LineCount(), 1000000);
    QCOMPARE(m_view->LineText(0), QStringLiteral("1"));
    QCOMPARE(m_view->LineText(999999), QStringLiteral("1000000"));
}

void TestLogView::paintsLinesInTheirColours()
{
    setBaseColor(m_view.get(), Qt::white);
    QFont big = m_view->font();
    big.setPointSize(20);
    m_view->setFont(big);
    showView(QSize(300, 200));
    m_view->AppendLine(QStringLiteral("███    ███"), QColor(255, 0, 0));
    m_view->AppendLine(QStringLiteral("███    ███"), QColor(0, 0, 255), true);
    QTRY_VERIFY(lineShown(1));
    const QImage image = m_view->viewport()->grab().toImage();
    auto count = [&image](QRgb color) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixel(x, y) == color;
        return n;
    };
    QVERIFY(count(qRgb(255, 0, 0)) > 50);
    QVERIFY(count(qRgb(0, 0, 255)) > 50);
    QVERIFY(count(qRgb(255, 255, 255)) > 50);

    m_view->selectAll();
    const QRgb highlight = m_view->palette().color(QPalette::Highlight).rgb();
    const QImage selected = m_view->viewport()->grab().toImage();
    int highlighted = 0;
    for (int y = 0; y < selected.height(); ++y)
        for (int x = 0; x < selected.width(); ++x)
            highlighted += selected.pixel(x, y) == highlight;
    QVERIFY(highlighted > 50);
}

// Lines keep their layouts from one picture to the next, but not past a change of font.
void TestLogView::shownLinesFollowAFontChange()
{
    setBaseColor(m_view.get(), Qt::white);
    showView(QSize(400, 200));
    m_view->AppendLine(QStringLiteral("███"), QColor(255, 0, 0));
    QTRY_VERIFY(lineShown(0));
    const auto redPixels = [this] {
        const QImage image = m_view->viewport()->grab().toImage();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixel(x, y) == qRgb(255, 0, 0);
        return n;
    };
    const int small = redPixels();
    QVERIFY(small > 20);
    QFont big = m_view->font();
    big.setPointSize(big.pointSize() * 3);
    m_view->setFont(big);
    QTRY_VERIFY2(redPixels() > 4 * small, qPrintable(QString::number(small)));
}

void TestLogView::scrollRangeFollowsAFontChange()
{
    m_view->setWordWrap(false);
    showView(QSize(200, 100));
    const QString line = QStringLiteral("Olga Ivanovna Petrova-Vodkina ").repeated(3);
    m_view->AppendLine(line, Qt::black);
    QScrollBar *bar = m_view->horizontalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    const int small = bar->maximum();
    QFont big = m_view->font();
    big.setPointSize(big.pointSize() * 2);
    m_view->setFont(big);
    // The same line, measured anew in the new font, whether kept or appended again.
    const int wide = QFontMetrics(big).horizontalAdvance(line);
    QTRY_VERIFY2(bar->maximum() > small + wide / 3, qPrintable(QString::number(small)));
    const int big1 = bar->maximum();
    m_view->Clear();
    m_view->AppendLine(line, Qt::black);
    QTRY_COMPARE(bar->maximum(), big1);
}

void TestLogView::longLineWithoutWrappingIsShownWhereScrolled()
{
    setBaseColor(m_view.get(), Qt::white);
    m_view->setWordWrap(false);
    showView(QSize(300, 100));
    const QString line(3000, u'W');
    m_view->AppendLine(line, QColor(255, 0, 0));
    QScrollBar *bar = m_view->horizontalScrollBar();
    const int width = QFontMetrics(m_view->font()).horizontalAdvance(line);
    QTRY_VERIFY(bar->maximum() + m_view->viewport()->width() >= width);
    auto redPixels = [this] {
        const QImage image = m_view->viewport()->grab().toImage();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) < 100;
        return n;
    };
    for (int position : {0, width / 2, width - m_view->viewport()->width()}) {
        bar->setValue(position);
        QVERIFY2(redPixels() > 100, qPrintable(QStringLiteral("at %1 px").arg(position)));
    }
}

void TestLogView::accessibleTextCarriesColourAndWeight()
{
    m_view->AppendLine(QStringLiteral("Ivan -> Olga"), QColor(0, 128, 0), true);
    m_view->AppendLine(QStringLiteral("hi"), QColor(1, 2, 3));
    QAccessibleInterface *acc = QAccessible::queryAccessibleInterface(m_view.get());
    QVERIFY(acc);
    QCOMPARE(acc->role(), QAccessible::EditableText);
    QVERIFY(acc->state().readOnly);
    QVERIFY(acc->state().multiLine);
    QAccessibleTextInterface *text = acc->textInterface();
    QVERIFY(text);
    QCOMPARE(text->characterCount(), 15);
    QCOMPARE(text->text(0, text->characterCount()), QStringLiteral("Ivan -> Olga\nhi"));

    int start = -1, end = -1;
    QCOMPARE(text->attributes(5, &start, &end),
             QStringLiteral("color:rgb(0,128,0);font-weight:bold;"));
    QCOMPARE(start, 0);
    QCOMPARE(end, 12);
    QCOMPARE(text->attributes(13, &start, &end),
             QStringLiteral("color:rgb(1,2,3);font-weight:normal;"));
    QCOMPARE(start, 13);
    QCOMPARE(end, 15);

    text->setSelection(0, 8, 12);
    QCOMPARE(m_view->selectedText(), QStringLiteral("Olga"));
}

namespace
{

// What the view told assistive technology, as "insert@position:text" or "remove@position:text".
QStringList heard;

void hear(QAccessibleEvent *event)
{
    if (event->type() == QAccessible::TextInserted) {
        const auto *insert = static_cast<QAccessibleTextInsertEvent *>(event);
        heard << QStringLiteral("insert@%1:%2")
                     .arg(insert->changePosition())
                     .arg(insert->textInserted());
    } else if (event->type() == QAccessible::TextRemoved) {
        const auto *remove = static_cast<QAccessibleTextRemoveEvent *>(event);
        heard << QStringLiteral("remove@%1:%2")
                     .arg(remove->changePosition())
                     .arg(remove->textRemoved());
    }
}

} // namespace

void TestLogView::screenReaderHearsABurstAsOneInsertion()
{
    QPlatformAccessibility *platform =
        QGuiApplicationPrivate::platformIntegration()->accessibility();
    QVERIFY(platform);
    heard.clear();
    QAccessible::installUpdateHandler(hear);
    platform->setActive(true);
    const auto restore = qScopeGuard([platform] {
        platform->setActive(false);
        QAccessible::installUpdateHandler(nullptr);
    });
    m_view->setMaximumLines(4);
    m_view->AppendLine(QStringLiteral("one"), Qt::black);
    m_view->AppendLine(QStringLiteral("two"), Qt::black);
    QTRY_COMPARE(heard, QStringList{QStringLiteral("insert@0:one\ntwo")});

    // Lines about to be dropped are announced before they go, so every position a screen
    // reader is told about exists in the text it was told about.
    m_view->AppendLine(QStringLiteral("three"), Qt::black);
    m_view->AppendLine(QStringLiteral("four\nfive"), Qt::black);
    QTRY_COMPARE(heard.size(), 3);
    QCOMPARE(heard.mid(1), (QStringList{QStringLiteral("insert@7:\nthree\nfour\nfive"),
                                        QStringLiteral("remove@0:one\n")}));
    QCOMPARE(m_view->text(), QStringLiteral("two\nthree\nfour\nfive"));
    m_view->setSelection(0, 3); // says what is still unsaid first: nothing
    QCOMPARE(heard.size(), 3);
}

PALAVRIX_TEST_MAIN(TestLogView)
#include "tst_LogView.moc"
