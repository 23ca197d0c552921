#include "ColorBox.h"

#include "ColorList.h"

#include <QPainter>
#include <QPixmap>

QColor colorOf(int index)
{
    if (!colors::isValidIndex(index))
        return {};
    return QColor::fromRgb(ColorList[size_t(index)].rgb);
}

void setBaseColor(QWidget *widget, const QColor &color)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Base, color);
    widget->setPalette(pal);
}

ColorBox::ColorBox(QWidget *parent) : QComboBox(parent)
{
    for (int i = 0; i < int(ColorList.size()); ++i) {
        QPixmap swatch(14, 14);
        swatch.fill(colorOf(i));
        QPainter p(&swatch);
        p.setPen(Qt::black);
        p.drawRect(0, 0, 13, 13);
        addItem(QIcon(swatch), colors::name(i));
    }
    setCurrentIndex(0);
}

void ColorBox::selectIndex(int index)
{
    setCurrentIndex(colors::isValidIndex(index) ? index : -1);
}

QColor ColorBox::selectedColor() const
{
    return colorOf(currentIndex());
}
