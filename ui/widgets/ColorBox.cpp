#include "ColorBox.h"

#include "ColorList.h"

#include <QIcon>
#include <QList>
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

namespace
{

// The swatch of each list position, drawn once: every box shows the same icons.
const QList<QIcon> &swatches()
{
    static const QList<QIcon> icons = [] {
        QList<QIcon> made;
        for (int i = 0; i < int(ColorList.size()); ++i) {
            QPixmap swatch(14, 14);
            swatch.fill(colorOf(i));
            QPainter p(&swatch);
            p.setPen(Qt::black);
            p.drawRect(0, 0, 13, 13);
            p.end();
            made.append(QIcon(swatch));
        }
        return made;
    }();
    return icons;
}

} // namespace

ColorBox::ColorBox(QWidget *parent) : QComboBox(parent)
{
    const QList<QIcon> &icons = swatches();
    for (int i = 0; i < int(icons.size()); ++i)
        addItem(icons[i], colors::name(i));
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
