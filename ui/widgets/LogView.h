#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QHash>
#include <QList>
#include <QTextLayout>

#include <deque>
#include <memory>
#include <unordered_map>

// An append-only log of coloured plain-text lines. Text is never parsed as markup. The view
// keeps the text in one buffer and lays out only the lines it shows, so adding a line costs
// the same however long the log has grown. The vertical scroll bar counts lines; at its
// maximum the last line sits at the bottom edge. The log keeps a bounded number of the newest
// lines: each line past the bound drops the oldest one, at a cost that does not grow with
// the log.
class LogView final : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit LogView(QWidget *parent = nullptr);

    static constexpr int DefaultMaximumLines = 1000000;
    // The most lines the log keeps (at least 1); the oldest go first.
    void setMaximumLines(int lines);
    int maximumLines() const { return m_maxLines; }

    // Appends the text as one line, or several when it holds line breaks (CR LF, LF or CR),
    // all in the given colour and weight; then the view follows the end.
    void AppendLine(const QString &text, const QColor &color, bool bold = false);
    void Clear();
    int LineCount() const { return int(m_lines.size()); }
    QString LineText(int line) const;
    QColor LineColor(int line) const;
    bool LineBold(int line) const;
    void ScrollToEnd();
    void ScrollToTop();
    void setWordWrap(bool wrap);
    bool wordWrap() const { return m_wrap; }

    // The whole text, lines joined by LF; offsets below count into it, from the oldest line
    // kept.
    QString text() const;
    qsizetype textLength() const;
    QString textRange(qsizetype from, qsizetype to) const;
    int lineAtOffset(qsizetype offset) const;
    qsizetype lineStart(int line) const;
    int lineLength(int line) const { return m_lines[size_t(line)].length; }
    qsizetype selectionStart() const;
    qsizetype selectionEnd() const;
    qsizetype cursorPosition() const;
    void setSelection(qsizetype anchor, qsizetype cursor);
    QString selectedText() const;
    void selectAll();
    void copy() const;
    // The character's box in viewport coordinates; empty when the character is not shown.
    QRect characterRect(qsizetype offset) const;
    // The offset under a viewport point, or -1 when no line is there.
    qsizetype offsetAt(const QPoint &point) const;
    void scrollToLine(int line);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    struct Line {
        qint64 start; // in the text since the last Clear, the dropped lines included
        int offset;   // where the characters begin in the line's block
        int length;
        QRgb color;
        bool bold;
        mutable quint16 rows; // wrapped rows; 0 until laid out
    };
    struct Placed {
        int line;
        int y;
    };

    void appendOne(QStringView text, QRgb color, bool bold);
    void dropOldest(int count);
    QStringView lineView(int line) const;
    qint64 origin() const;
    qint64 endOffset() const;
    using Layouts = std::unordered_map<qint64, std::unique_ptr<QTextLayout>>;
    void layoutLine(QTextLayout &layout, int line) const;
    const QTextLayout &laidOut(int line, Layouts &kept) const;
    int rowsOf(int line) const;
    int wrapWidth() const;
    int textLeft() const;
    int visibleRows() const;
    QList<Placed> placedLines() const;
    void scheduleRangeUpdate();
    void announceInserted();
    void updateRange();
    void invalidateLayout();
    void updateMetrics();
    int naturalWidth(int line) const;
    qsizetype shownChars() const;
    void selectWordAt(qsizetype offset);
    qsizetype clampedOffsetAt(const QPoint &point) const;

    std::deque<Line> m_lines;
    // The lines' characters, BlockLines lines to a block, so dropping old lines frees memory
    // a block at a time and never moves the rest.
    std::deque<QString> m_blocks;
    qint64 m_dropped = 0; // lines dropped since the last Clear
    // The layouts of the lines last painted, by their number since the last Clear.
    mutable Layouts m_layouts;
    // Natural widths of short lines by their text, regular and bold.
    mutable QHash<QString, int> m_naturalWidths[2];
    int m_maxLines = DefaultMaximumLines;
    QFont m_boldFont;
    int m_rowHeight = 1;
    int m_widest = 0;
    bool m_wrap = true;
    bool m_followEnd = true;
    bool m_rangeDirty = false;
    bool m_settingRange = false;
    bool m_selecting = false;
    qint64 m_anchor = 0; // offsets since the last Clear, like Line::start
    qint64 m_cursor = 0;
    QBasicTimer m_refreshTimer;
    QElapsedTimer m_lastRefresh;
    // Where the text not yet announced to assistive technology starts (an offset since the
    // last Clear), or -1; announced in one go at most once per refresh interval.
    qint64 m_unannounced = -1;
    QBasicTimer m_announceTimer;
};
