#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QList>

class QTextLayout;

// An append-only log of coloured plain-text lines. Text is never parsed as markup. The view
// keeps the text in one buffer and lays out only the lines it shows, so adding a line costs
// the same however long the log has grown. The vertical scroll bar counts lines; at its
// maximum the last line sits at the bottom edge.
class LogView final : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit LogView(QWidget *parent = nullptr);

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

    // The whole text, lines joined by LF; offsets below count into it.
    const QString &text() const { return m_text; }
    int lineAtOffset(qsizetype offset) const;
    qsizetype lineStart(int line) const { return m_lines[line].start; }
    int lineLength(int line) const { return m_lines[line].length; }
    qsizetype selectionStart() const { return qMin(m_anchor, m_cursor); }
    qsizetype selectionEnd() const { return qMax(m_anchor, m_cursor); }
    qsizetype cursorPosition() const { return m_cursor; }
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
        qsizetype start;
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
    void layoutLine(QTextLayout &layout, int line) const;
    int rowsOf(int line) const;
    int wrapWidth() const;
    int textLeft() const;
    int visibleRows() const;
    QList<Placed> placedLines() const;
    void scheduleRangeUpdate();
    void updateRange();
    void invalidateLayout();
    void updateMetrics();
    int naturalWidth(int line) const;
    void selectWordAt(qsizetype offset);
    qsizetype clampedOffsetAt(const QPoint &point) const;

    QString m_text;
    QList<Line> m_lines;
    QFont m_boldFont;
    int m_rowHeight = 1;
    int m_widest = 0;
    bool m_wrap = true;
    bool m_followEnd = true;
    bool m_rangeDirty = false;
    bool m_settingRange = false;
    bool m_selecting = false;
    qsizetype m_anchor = 0;
    qsizetype m_cursor = 0;
    QBasicTimer m_refreshTimer;
    QElapsedTimer m_lastRefresh;
};
