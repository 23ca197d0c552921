#pragma once

#include <QColor>
#include <QPlainTextEdit>

// An append-only log of coloured plain-text lines: text is never parsed as markup, and a
// line is added at the end with its colour and weight.
class LogView final : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit LogView(QWidget *parent = nullptr);

    // Appends the text as one line, or several when it holds line breaks (CR LF, LF or CR),
    // all in the given colour and weight; then the caret goes to the end and is shown.
    void AppendLine(const QString &text, const QColor &color, bool bold = false);
    void Clear();
    int LineCount() const { return m_lines; }
    QString LineText(int line) const;
    QColor LineColor(int line) const;
    bool LineBold(int line) const;
    void ScrollToEnd();
    void ScrollToTop();
    void setBackgroundColor(const QColor &color);

private:
    int m_lines = 0;
};
