#include "LogView.h"

#include "LogViewAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <QTimerEvent>

#include <algorithm>
#include <limits>

namespace
{

constexpr int Margin = 4;
// Lines arriving in a burst are shown 30 times a second, the pace of a smoothly scrolling
// terminal; a line after a quiet spell is shown at once.
constexpr qint64 RefreshInterval = 33; // ms
// A screen reader hears the lines of a burst together, at most this often.
constexpr int AnnounceInterval = 50; // ms
constexpr qint64 BlockLines = 4096;
// Without wrapping, a line longer than this is neither measured nor laid out in full: its
// width is bounded from above and only the part the view can show is laid out.
constexpr qsizetype LongLine = 256;
// Layouts kept for lines counted but not yet painted.
constexpr size_t MaxWaitingLayouts = 1024;
// Widths of short lines kept for lines that come again, as in a list filled at each refresh.
constexpr qsizetype MaxKnownWidths = 1024;

} // namespace

LogView::LogView(QWidget *parent) : QAbstractScrollArea(parent)
{
    LogViewAccessible::install();
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(8);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (!m_settingRange)
            m_followEnd = value == verticalScrollBar()->maximum();
        viewport()->update();
    });
    updateMetrics();
}

void LogView::AppendLine(const QString &text, const QColor &color, bool bold)
{
    const QRgb rgb = color.rgb();
    const qint64 before = endOffset();
    // The line breaks are found by Qt's own search: a user list of 255 nicks of 8 KB passes
    // here at each refresh.
    const QStringView all(text);
    qsizetype from = 0;
    qsizetype cr = all.indexOf(u'\r');
    qsizetype lf = all.indexOf(u'\n');
    while (cr >= 0 || lf >= 0) {
        const qsizetype at = (cr < 0 || (lf >= 0 && lf < cr)) ? lf : cr;
        appendOne(all.mid(from, at - from), rgb, bold);
        from = at + (at == cr && lf == at + 1 ? 2 : 1);
        if (cr >= 0 && cr < from)
            cr = all.indexOf(u'\r', from);
        if (lf >= 0 && lf < from)
            lf = all.indexOf(u'\n', from);
    }
    appendOne(all.mid(from), rgb, bold);
    if (QAccessible::isActive() && m_unannounced < 0) {
        // A screen reader hears a burst of lines as one insertion, not one call per line.
        m_unannounced = before;
        m_announceTimer.start(AnnounceInterval, this);
    }
    if (LineCount() > m_maxLines)
        dropOldest(LineCount() - m_maxLines);
    ScrollToEnd();
}

void LogView::appendOne(QStringView text, QRgb color, bool bold)
{
    const qint64 start = m_lines.empty() ? 0 : endOffset() + 1;
    if ((m_dropped + LineCount()) % BlockLines == 0)
        m_blocks.emplace_back();
    QString &block = m_blocks.back();
    m_lines.push_back(Line{start, int(block.size()), int(text.size()), color, bold, 0});
    block.append(text);
    if (!m_wrap)
        m_widest = qMax(m_widest, naturalWidth(LineCount() - 1));
}

// Forgets the oldest lines, and their block once its last line is gone. The widest line
// without wrapping is not measured again: the horizontal range may stay wider than needed.
void LogView::dropOldest(int count)
{
    announceInserted();
    if (QAccessible::isActive()) {
        QAccessibleTextRemoveEvent event(this, 0, textRange(0, lineStart(count)));
        QAccessible::updateAccessibility(&event);
    }
    for (int i = 0; i < count; ++i) {
        m_lines.pop_front();
        ++m_dropped;
        if (m_dropped % BlockLines == 0)
            m_blocks.pop_front();
    }
}

void LogView::setMaximumLines(int lines)
{
    m_maxLines = qMax(1, lines);
    if (LineCount() > m_maxLines) {
        dropOldest(LineCount() - m_maxLines);
        scheduleRangeUpdate();
    }
}

void LogView::Clear()
{
    m_lines.clear();
    m_blocks.clear();
    m_dropped = 0;
    m_layouts.clear();
    m_widest = 0;
    m_anchor = m_cursor = 0;
    m_followEnd = true;
    m_unannounced = -1;
    m_announceTimer.stop();
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent event(this, 0, QString(), QString());
        QAccessible::updateAccessibility(&event);
    }
    scheduleRangeUpdate();
}

QStringView LogView::lineView(int line) const
{
    const Line &l = m_lines[size_t(line)];
    const qint64 block = (m_dropped + line) / BlockLines - m_dropped / BlockLines;
    return QStringView(m_blocks[size_t(block)]).mid(l.offset, l.length);
}

QString LogView::LineText(int line) const
{
    return lineView(line).toString();
}

// The offset, since the last Clear, of the oldest line kept.
qint64 LogView::origin() const
{
    return m_lines.empty() ? 0 : m_lines.front().start;
}

// The offset, since the last Clear, just past the newest line.
qint64 LogView::endOffset() const
{
    return m_lines.empty() ? 0 : m_lines.back().start + m_lines.back().length;
}

qsizetype LogView::textLength() const
{
    return endOffset() - origin();
}

qsizetype LogView::lineStart(int line) const
{
    return m_lines[size_t(line)].start - origin();
}

QString LogView::text() const
{
    return textRange(0, textLength());
}

QString LogView::textRange(qsizetype from, qsizetype to) const
{
    QString out;
    from = std::clamp<qsizetype>(from, 0, textLength());
    to = std::clamp<qsizetype>(to, from, textLength());
    if (to == from)
        return out;
    out.reserve(to - from);
    for (int line = lineAtOffset(from); line < LineCount(); ++line) {
        const qsizetype start = lineStart(line), end = start + lineLength(line);
        if (start >= to)
            break;
        const qsizetype begin = qMax(from, start);
        out += lineView(line).mid(begin - start, qMin(to, end) - begin);
        if (end >= from && end < to)
            out += u'\n';
    }
    return out;
}

QColor LogView::LineColor(int line) const
{
    return QColor(m_lines[size_t(line)].color);
}

bool LogView::LineBold(int line) const
{
    return m_lines[size_t(line)].bold;
}

void LogView::ScrollToEnd()
{
    m_followEnd = true;
    scheduleRangeUpdate();
}

void LogView::ScrollToTop()
{
    scrollToLine(0);
}

void LogView::scrollToLine(int line)
{
    m_followEnd = false;
    if (m_rangeDirty)
        updateRange();
    verticalScrollBar()->setValue(line);
}

void LogView::setWordWrap(bool wrap)
{
    if (m_wrap == wrap)
        return;
    m_wrap = wrap;
    setHorizontalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    invalidateLayout();
}

int LogView::lineAtOffset(qsizetype offset) const
{
    const qint64 at = offset + origin();
    const auto after = std::upper_bound(m_lines.cbegin(), m_lines.cend(), at,
                                        [](qint64 o, const Line &l) { return o < l.start; });
    return qMax(0, int(after - m_lines.cbegin()) - 1);
}

qsizetype LogView::selectionStart() const
{
    return qMax<qint64>(0, qMin(m_anchor, m_cursor) - origin());
}

qsizetype LogView::selectionEnd() const
{
    return qMax<qint64>(0, qMax(m_anchor, m_cursor) - origin());
}

qsizetype LogView::cursorPosition() const
{
    return qMax<qint64>(0, m_cursor - origin());
}

void LogView::setSelection(qsizetype anchor, qsizetype cursor)
{
    const qsizetype size = textLength();
    m_anchor = origin() + std::clamp<qsizetype>(anchor, 0, size);
    m_cursor = origin() + std::clamp<qsizetype>(cursor, 0, size);
    viewport()->update();
    announceInserted();
    if (QAccessible::isActive()) {
        QAccessibleTextSelectionEvent event(this, int(selectionStart()), int(selectionEnd()));
        event.setCursorPosition(int(cursorPosition()));
        QAccessible::updateAccessibility(&event);
    }
}

QString LogView::selectedText() const
{
    return textRange(selectionStart(), selectionEnd());
}

void LogView::selectAll()
{
    setSelection(0, textLength());
}

void LogView::copy() const
{
    if (selectionEnd() > selectionStart())
        QGuiApplication::clipboard()->setText(selectedText());
}

// Layout

void LogView::updateMetrics()
{
    m_boldFont = font();
    m_boldFont.setBold(true);
    m_rowHeight =
        qMax(1, qMax(QFontMetrics(font()).lineSpacing(), QFontMetrics(m_boldFont).lineSpacing()));
}

int LogView::wrapWidth() const
{
    return qMax(1, viewport()->width() - 2 * Margin);
}

// Where the text starts in the viewport: the margin, less the horizontal scroll.
int LogView::textLeft() const
{
    return Margin - horizontalScrollBar()->value();
}

int LogView::visibleRows() const
{
    return qMax(1, (viewport()->height() - 2 * Margin) / m_rowHeight);
}

void LogView::layoutLine(QTextLayout &layout, int line) const
{
    const Line &l = m_lines[size_t(line)];
    QStringView text = lineView(line);
    if (!m_wrap && text.size() > LongLine)
        text = text.left(shownChars());
    layout.setText(text.toString());
    layout.setFont(l.bold ? m_boldFont : font());
    QTextOption option;
    option.setWrapMode(m_wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    for (int y = 0;; y += m_rowHeight) {
        QTextLine row = layout.createLine();
        if (!row.isValid())
            break;
        if (m_wrap)
            row.setLineWidth(wrapWidth());
        row.setPosition(QPointF(0, y));
    }
    layout.endLayout();
}

int LogView::rowsOf(int line) const
{
    if (!m_wrap)
        return 1;
    quint16 &rows = m_lines[size_t(line)].rows;
    if (rows == 0) {
        // The lines counted are mostly those the next picture shows: their layouts wait for
        // it, up to a bound, since no picture may come while the window is minimised.
        std::unique_ptr<QTextLayout> scratch;
        std::unique_ptr<QTextLayout> &layout =
            m_layouts.size() < MaxWaitingLayouts ? m_layouts[m_dropped + line] : scratch;
        if (!layout) {
            layout = std::make_unique<QTextLayout>();
            layoutLine(*layout, line);
        }
        rows = quint16(qBound(1, layout->lineCount(), 0xFFFF));
    }
    return rows;
}

int LogView::naturalWidth(int line) const
{
    const bool bold = m_lines[size_t(line)].bold;
    const QFont &lineFont = bold ? m_boldFont : font();
    const QStringView text = lineView(line);
    if (text.size() <= LongLine) {
        // A list filled again and again with the same nicks measures each of them once.
        QHash<QString, int> &known = m_naturalWidths[bold ? 1 : 0];
        const QString key = text.toString();
        if (const auto found = known.constFind(key); found != known.cend())
            return found.value();
        if (known.size() >= MaxKnownWidths)
            known.clear();
        return known.insert(key, QFontMetrics(lineFont).horizontalAdvance(key)).value();
    }
    const QFontMetrics metrics(lineFont);
    // No character is wider than the font's widest, so the whole line can be scrolled to.
    const qint64 bound = qint64(metrics.maxWidth()) * text.size();
    return int(qMin<qint64>(bound, std::numeric_limits<int>::max() / 2));
}

// How many characters of a long line can reach the viewport at the present horizontal
// scroll, taking every character as at least a pixel wide.
qsizetype LogView::shownChars() const
{
    return LongLine + horizontalScrollBar()->value() + viewport()->width();
}

// Forgets the wrapped rows and, without wrapping, measures the widest line again.
void LogView::invalidateLayout()
{
    m_layouts.clear();
    for (QHash<QString, int> &known : m_naturalWidths)
        known.clear();
    for (Line &line : m_lines)
        line.rows = 0;
    m_widest = 0;
    if (!m_wrap)
        for (int i = 0; i < LineCount(); ++i)
            m_widest = qMax(m_widest, naturalWidth(i));
    scheduleRangeUpdate();
}

// Lines may arrive faster than anyone reads them: the scroll range and the picture follow at
// most once per refresh interval, and at once when the view was idle.
void LogView::scheduleRangeUpdate()
{
    m_rangeDirty = true;
    if (m_refreshTimer.isActive() || !isVisible())
        return;
    const qint64 since = m_lastRefresh.isValid() ? m_lastRefresh.elapsed() : RefreshInterval;
    m_refreshTimer.start(int(qMax<qint64>(0, RefreshInterval - since)), this);
}

void LogView::announceInserted()
{
    m_announceTimer.stop();
    if (m_unannounced < 0)
        return;
    const qsizetype at = qMax<qint64>(0, m_unannounced - origin());
    m_unannounced = -1;
    if (QAccessible::isActive()) {
        QAccessibleTextInsertEvent event(this, int(at), textRange(at, textLength()));
        QAccessible::updateAccessibility(&event);
    }
}

void LogView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_announceTimer.timerId()) {
        announceInserted();
        return;
    }
    if (event->timerId() != m_refreshTimer.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    m_refreshTimer.stop();
    m_lastRefresh.start();
    if (m_rangeDirty)
        updateRange();
}

// The largest first line is the one from which the rest of the log just fits.
void LogView::updateRange()
{
    m_rangeDirty = false;
    const int count = LineCount();
    const int capacity = visibleRows();
    int fit = 0;
    for (int rows = 0; fit < count; ++fit) {
        rows += rowsOf(count - 1 - fit);
        if (rows > capacity)
            break;
    }
    const int maximum = fit >= count ? 0 : count - qMax(fit, 1);
    QScrollBar *bar = verticalScrollBar();
    m_settingRange = true;
    bar->setRange(0, maximum);
    bar->setPageStep(capacity);
    if (m_followEnd)
        bar->setValue(maximum);
    m_settingRange = false;
    const int overhang = m_wrap ? 0 : m_widest + 2 * Margin - viewport()->width();
    horizontalScrollBar()->setRange(0, qMax(0, overhang));
    horizontalScrollBar()->setPageStep(viewport()->width());
    viewport()->update();
}

// The shown lines with the top of their first row, from top to bottom. While the view follows
// the end, the last line ends at the bottom margin; otherwise the line at the scroll bar's
// value starts at the top margin. A log shorter than the view always starts at the top.
QList<LogView::Placed> LogView::placedLines() const
{
    QList<Placed> placed;
    const int count = LineCount();
    const int height = viewport()->height();
    if (m_followEnd) {
        int y = height - Margin;
        for (int line = count - 1; line >= 0 && y > 0; --line) {
            y -= rowsOf(line) * m_rowHeight;
            placed.prepend(Placed{line, y});
        }
        if (placed.isEmpty() || placed.first().line > 0 || y < Margin)
            return placed;
        placed.clear();
    }
    int y = Margin;
    const int first = m_followEnd ? 0 : verticalScrollBar()->value();
    for (int line = qMax(0, first); line < count && y < height; ++line) {
        placed.append(Placed{line, y});
        y += rowsOf(line) * m_rowHeight;
    }
    return placed;
}

// Painting

void LogView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    const int x = textLeft();
    const qsizetype from = selectionStart(), to = selectionEnd();
    // The lines shown keep their layouts from one picture to the next: while lines arrive,
    // the view is painted many times a second with mostly the same lines.
    Layouts kept;
    for (const Placed &p : placedLines()) {
        const Line &l = m_lines[size_t(p.line)];
        const qsizetype start = lineStart(p.line);
        const QTextLayout &layout = laidOut(p.line, kept);
        QList<QTextLayout::FormatRange> selections;
        const qsizetype begin = qMax(from, start), end = qMin(to, start + l.length);
        if (end > begin) {
            QTextLayout::FormatRange range;
            range.start = int(begin - start);
            range.length = int(end - begin);
            range.format.setBackground(palette().brush(QPalette::Highlight));
            range.format.setForeground(palette().brush(QPalette::HighlightedText));
            selections.append(range);
        }
        painter.setPen(QColor(l.color));
        layout.draw(&painter, QPointF(x, p.y), selections);
    }
    m_layouts = std::move(kept);
}

// The line's layout from the last picture, or a new one; either way kept in `kept`. A long
// line that does not wrap is laid out only as far as the horizontal scroll shows: anew.
const QTextLayout &LogView::laidOut(int line, Layouts &kept) const
{
    const qint64 number = m_dropped + line;
    std::unique_ptr<QTextLayout> &layout = kept[number];
    if (const auto found = m_layouts.find(number); found != m_layouts.end())
        layout = std::move(found->second);
    if (!layout || (!m_wrap && m_lines[size_t(line)].length > LongLine)) {
        layout = std::make_unique<QTextLayout>();
        layoutLine(*layout, line);
    }
    return *layout;
}

void LogView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_wrap) {
        for (Line &line : m_lines)
            line.rows = 0;
        m_layouts.clear();
    }
    updateRange();
}

void LogView::showEvent(QShowEvent *event)
{
    QAbstractScrollArea::showEvent(event);
    updateRange();
}

void LogView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        updateMetrics();
        invalidateLayout();
    }
}

// Positions

QRect LogView::characterRect(qsizetype offset) const
{
    const int line = lineAtOffset(offset);
    const int x = textLeft();
    for (const Placed &p : placedLines()) {
        if (p.line != line)
            continue;
        QTextLayout layout;
        layoutLine(layout, line);
        const int column = int(qMin<qsizetype>(offset - lineStart(line), lineLength(line)));
        const QTextLine row = layout.lineForTextPosition(column);
        if (!row.isValid())
            return QRect(x, p.y, 1, m_rowHeight);
        const qreal left = row.cursorToX(column);
        const qreal right = column < lineLength(line) ? row.cursorToX(column + 1) : left;
        return QRect(x + int(left), p.y + int(row.y()), qMax(1, int(right - left)), m_rowHeight);
    }
    return QRect();
}

qsizetype LogView::offsetAt(const QPoint &point) const
{
    const int x = point.x() - textLeft();
    for (const Placed &p : placedLines()) {
        const int rows = rowsOf(p.line);
        if (point.y() < p.y || point.y() >= p.y + rows * m_rowHeight)
            continue;
        QTextLayout layout;
        layoutLine(layout, p.line);
        const QTextLine row =
            layout.lineAt(qBound(0, (point.y() - p.y) / m_rowHeight, layout.lineCount() - 1));
        const int column = row.isValid() ? row.xToCursor(x) : 0;
        return lineStart(p.line) + column;
    }
    return -1;
}

// Like offsetAt, but a point above the shown lines gives the first shown offset and one
// below them the last.
qsizetype LogView::clampedOffsetAt(const QPoint &point) const
{
    const qsizetype offset = offsetAt(point);
    if (offset >= 0)
        return offset;
    const QList<Placed> placed = placedLines();
    if (placed.isEmpty())
        return 0;
    if (point.y() < placed.first().y)
        return lineStart(placed.first().line);
    const int last = placed.last().line;
    return lineStart(last) + lineLength(last);
}

void LogView::selectWordAt(qsizetype offset)
{
    const int line = lineAtOffset(offset);
    const QString text = LineText(line);
    const qsizetype start = lineStart(line);
    const qsizetype column = offset - start;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    finder.setPosition(column);
    const bool atStart =
        finder.isAtBoundary() && finder.boundaryReasons() & QTextBoundaryFinder::StartOfItem;
    const qsizetype begin = atStart ? column : finder.toPreviousBoundary();
    finder.setPosition(column);
    const qsizetype end = finder.toNextBoundary();
    setSelection(start + qMax<qsizetype>(0, begin), start + (end < 0 ? text.size() : end));
}

// Input

void LogView::keyPressEvent(QKeyEvent *event)
{
    QScrollBar *bar = verticalScrollBar();
    if (event == QKeySequence::Copy)
        copy();
    else if (event == QKeySequence::SelectAll)
        selectAll();
    else if (event->key() == Qt::Key_Home && event->modifiers() & Qt::ControlModifier)
        ScrollToTop();
    else if (event->key() == Qt::Key_End && event->modifiers() & Qt::ControlModifier)
        bar->setValue(bar->maximum());
    else if (event->key() == Qt::Key_Up)
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (event->key() == Qt::Key_Down)
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    else if (event->key() == Qt::Key_PageUp)
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    else if (event->key() == Qt::Key_PageDown)
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    else {
        event->ignore();
        return;
    }
    event->accept();
}

void LogView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const qsizetype offset = clampedOffsetAt(event->position().toPoint());
    const qsizetype anchor = qMax<qint64>(0, m_anchor - origin());
    setSelection(event->modifiers() & Qt::ShiftModifier ? anchor : offset, offset);
    m_selecting = true;
}

void LogView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_selecting)
        return;
    const QPoint point = event->position().toPoint();
    QScrollBar *bar = verticalScrollBar();
    if (point.y() < 0)
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (point.y() > viewport()->height())
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    setSelection(qMax<qint64>(0, m_anchor - origin()), clampedOffsetAt(point));
}

void LogView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_selecting)
        return;
    m_selecting = false;
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection() && selectionEnd() > selectionStart())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void LogView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const qsizetype offset = offsetAt(event->position().toPoint());
    if (offset >= 0)
        selectWordAt(offset);
}

void LogView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QAction *copyAction = menu.addAction(tr("Копировать"), this, &LogView::copy);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(selectionEnd() > selectionStart());
    QAction *all = menu.addAction(tr("Выделить всё"), this, &LogView::selectAll);
    all->setShortcut(QKeySequence::SelectAll);
    all->setEnabled(textLength() > 0);
    // The window's own commands for this view follow the text commands.
    if (!actions().isEmpty()) {
        menu.addSeparator();
        menu.addActions(actions());
    }
    menu.exec(event->globalPos());
}
