#include "LogView.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

LogView::LogView(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void LogView::AppendLine(const QString &text, const QColor &color, bool bold)
{
    QTextCharFormat format;
    format.setForeground(color);
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    const QStringList lines = normalized.split(u'\n');

    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    for (const QString &line : lines) {
        if (m_lines > 0)
            cursor.insertBlock();
        cursor.insertText(line, format);
        ++m_lines;
    }
    cursor.endEditBlock();
    ScrollToEnd();
}

void LogView::Clear()
{
    clear();
    m_lines = 0;
}

QString LogView::LineText(int line) const
{
    return document()->findBlockByNumber(line).text();
}

QColor LogView::LineColor(int line) const
{
    const QTextBlock block = document()->findBlockByNumber(line);
    return block.begin() == block.end()
               ? QColor()
               : block.begin().fragment().charFormat().foreground().color();
}

bool LogView::LineBold(int line) const
{
    const QTextBlock block = document()->findBlockByNumber(line);
    return block.begin() != block.end() &&
           block.begin().fragment().charFormat().fontWeight() >= QFont::Bold;
}

void LogView::ScrollToEnd()
{
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    setTextCursor(end);
    ensureCursorVisible();
}

void LogView::ScrollToTop()
{
    moveCursor(QTextCursor::Start);
    ensureCursorVisible();
}

void LogView::setBackgroundColor(const QColor &color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Base, color);
    setPalette(pal);
}
