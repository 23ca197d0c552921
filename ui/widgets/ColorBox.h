#pragma once

#include <QColor>
#include <QComboBox>

// A colour box: the fixed colour list, each entry a swatch and its name. The selected
// position is what Chat.cfg and the datagrams carry; -1 means nothing is selected.
class ColorBox final : public QComboBox
{
    Q_OBJECT
public:
    explicit ColorBox(QWidget *parent = nullptr);

    int selectedIndex() const { return currentIndex(); }
    // Selects a position; one outside the list leaves nothing selected.
    void selectIndex(int index);
    // The selected entry's colour; invalid with nothing selected.
    QColor selectedColor() const;
};

// The colour of a list position; invalid for a position without an entry.
QColor colorOf(int index);

// Gives a text box or view the background colour the user picked.
void setBaseColor(QWidget *widget, const QColor &color);
