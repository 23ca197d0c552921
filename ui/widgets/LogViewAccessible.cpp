#include "LogViewAccessible.h"

#include "LogView.h"

#include <algorithm>

namespace
{

QAccessibleInterface *logViewFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("LogView") && object && object->isWidgetType())
        return new LogViewAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

LogViewAccessible::LogViewAccessible(QWidget *widget)
    : QAccessibleWidget(widget, QAccessible::EditableText)
{
}

void LogViewAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(logViewFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

LogView *LogViewAccessible::view() const
{
    return static_cast<LogView *>(widget());
}

void *LogViewAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State LogViewAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString LogViewAccessible::text(QAccessible::Text type) const
{
    if (type == QAccessible::Value)
        return view()->text();
    return QAccessibleWidget::text(type);
}

void LogViewAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && selectionCount() == 1) {
        *startOffset = int(view()->selectionStart());
        *endOffset = int(view()->selectionEnd());
    }
}

int LogViewAccessible::selectionCount() const
{
    return view()->selectionEnd() > view()->selectionStart() ? 1 : 0;
}

void LogViewAccessible::addSelection(int startOffset, int endOffset)
{
    view()->setSelection(startOffset, endOffset);
}

void LogViewAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        view()->setSelection(view()->cursorPosition(), view()->cursorPosition());
}

void LogViewAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        view()->setSelection(startOffset, endOffset);
}

int LogViewAccessible::cursorPosition() const
{
    return int(view()->cursorPosition());
}

void LogViewAccessible::setCursorPosition(int position)
{
    view()->setSelection(position, position);
}

QString LogViewAccessible::text(int startOffset, int endOffset) const
{
    const qsizetype size = view()->textLength();
    return view()->textRange(startOffset, endOffset < 0 ? size : endOffset);
}

int LogViewAccessible::characterCount() const
{
    return int(view()->textLength());
}

QRect LogViewAccessible::characterRect(int offset) const
{
    const QRect local = view()->characterRect(offset);
    if (local.isEmpty())
        return QRect();
    const QWidget *viewport = view()->viewport();
    return QRect(viewport->mapToGlobal(local.topLeft()), local.size());
}

int LogViewAccessible::offsetAtPoint(const QPoint &point) const
{
    const QWidget *viewport = view()->viewport();
    return int(view()->offsetAt(viewport->mapFromGlobal(point)));
}

void LogViewAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    Q_UNUSED(endIndex);
    view()->scrollToLine(view()->lineAtOffset(startIndex));
}

// One run per line: its characters, or the line break after it, share the line's colour and
// weight.
QString LogViewAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    const LogView *log = view();
    *startOffset = *endOffset = offset;
    if (log->LineCount() == 0 || offset < 0 || offset >= log->textLength())
        return QString();
    const int line = log->lineAtOffset(offset);
    const qsizetype start = log->lineStart(line);
    const qsizetype end = start + log->lineLength(line);
    if (offset < end) {
        *startOffset = int(start);
        *endOffset = int(end);
    } else {
        *endOffset = offset + 1;
    }
    const QColor color = log->LineColor(line);
    return QStringLiteral("color:rgb(%1,%2,%3);font-weight:%4;")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(log->LineBold(line) ? QStringLiteral("bold") : QStringLiteral("normal"));
}
