#pragma once

#include <QAccessibleWidget>

class LogView;

// Shows a log view to screen readers and other assistive tools as a read-only multi-line
// text whose lines carry their colour and weight as text attributes.
class LogViewAccessible final : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit LogViewAccessible(QWidget *widget);

    // Registers the factory once; every log view made afterwards is served by it.
    static void install();

    void *interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text type) const override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    LogView *view() const;
};
