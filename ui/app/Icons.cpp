#include "Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace
{

void bubble(QPainter &p, QRectF r, const QColor &fill)
{
    QPainterPath path;
    path.addRoundedRect(r.adjusted(0, 0, 0, -r.height() * 0.25), r.width() * 0.2, r.height() * 0.2);
    QPolygonF tail;
    tail << QPointF(r.left() + r.width() * 0.25, r.bottom() - r.height() * 0.3)
         << QPointF(r.left() + r.width() * 0.2, r.bottom())
         << QPointF(r.left() + r.width() * 0.5, r.bottom() - r.height() * 0.3);
    path.addPolygon(tail);
    p.setPen(QPen(fill.darker(160), r.width() / 16.0));
    p.setBrush(fill);
    p.drawPath(path.simplified());
}

void drawExit(QPainter &p)
{
    p.setPen(QPen(QColor(0x80, 0x50, 0x20), 1.2));
    p.setBrush(QColor(0xC8, 0x96, 0x5A));
    p.drawRect(QRectF(2.5, 1.5, 7, 13));
    p.setPen(QPen(QColor(0xC0, 0x20, 0x20), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 8), QPointF(14, 8));
    p.drawLine(QPointF(11.5, 5.5), QPointF(14, 8));
    p.drawLine(QPointF(11.5, 10.5), QPointF(14, 8));
}

void drawClear(QPainter &p)
{
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 1.5, 10, 13));
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
    for (int y = 5; y <= 11; y += 3)
        p.drawLine(QPointF(3.5, y), QPointF(9.5, y));
    p.setPen(QPen(QColor(0xD0, 0x20, 0x20), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 8), QPointF(14, 14));
    p.drawLine(QPointF(14, 8), QPointF(8, 14));
}

void drawSettings(QPainter &p)
{
    p.translate(8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x50, 0x60, 0x78));
    for (int i = 0; i < 8; ++i) {
        p.drawRect(QRectF(-1.5, -7.5, 3, 4));
        p.rotate(45);
    }
    p.drawEllipse(QPointF(0, 0), 5, 5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(0, 0), 2, 2);
}

void drawAbout(QPainter &p)
{
    p.setPen(QPen(QColor(0x10, 0x40, 0xA0), 1));
    p.setBrush(QColor(0x30, 0x70, 0xD8));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPixelSize(11);
    f.setBold(true);
    f.setFamily(QStringLiteral("Serif"));
    p.setFont(f);
    p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, QStringLiteral("i"));
}

void drawPrivate(QPainter &p)
{
    p.setPen(QPen(QColor(0x70, 0x50, 0x00), 1));
    p.setBrush(QColor(0xF8, 0xD0, 0x40));
    p.drawRect(QRectF(1.5, 3.5, 13, 9));
    p.drawLine(QPointF(1.5, 3.5), QPointF(8, 9));
    p.drawLine(QPointF(14.5, 3.5), QPointF(8, 9));
}

void drawHistory(QPainter &p)
{
    p.setPen(QPen(QColor(0x20, 0x60, 0x20), 1));
    p.setBrush(QColor(0x50, 0xB0, 0x50));
    p.drawRect(QRectF(2.5, 1.5, 11, 13));
    p.setBrush(QColor(0xF0, 0xF0, 0xE0));
    p.drawRect(QRectF(4.5, 3.5, 7, 4));
    p.setPen(QPen(QColor(0x20, 0x60, 0x20), 1));
    p.drawLine(QPointF(5, 10.5), QPointF(11, 10.5));
    p.drawLine(QPointF(5, 12.5), QPointF(11, 12.5));
}

QPixmap canvas(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    return pm;
}

} // namespace

QIcon CommandIcon(int index)
{
    QPixmap pm = canvas(16);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 0:
        drawExit(p);
        break;
    case 1:
        drawClear(p);
        break;
    case 2:
        drawSettings(p);
        break;
    case 3:
        drawAbout(p);
        break;
    case 4:
        drawPrivate(p);
        break;
    default:
        drawHistory(p);
        break;
    }
    p.end();
    return QIcon(pm);
}

QIcon TrayIcon(int index)
{
    return QIcon(QPixmap::fromImage(TrayIconImage(index, 32)));
}

QImage TrayIconImage(int index, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    bubble(p, QRectF(2, 3, 28, 26),
           index == 0 ? QColor(0x3A, 0x7B, 0xD5) : QColor(0xF2, 0x9B, 0x20));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(10 + i * 6, 13), 2.2, 2.2);
    p.end();
    return image;
}
