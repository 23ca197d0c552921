// Draws the small marks the themes' style sheets use (the drop-down arrow of combo boxes
// and the tick of check boxes) as PNG files, one per mark and colour:
//   palavrix_markgen <output folder> <RRGGBB> [<RRGGBB> ...]
// writes arrow-down-<RRGGBB>.png (9 × 6), arrow-up-<RRGGBB>.png (9 × 6) and
// check-<RRGGBB>.png (11 × 11) for every colour.

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace
{

QImage canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage arrow(const QColor &colour, bool down)
{
    QImage image = canvas(9, 6);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    QPainterPath path;
    if (down) {
        path.moveTo(0.5, 1);
        path.lineTo(8.5, 1);
        path.lineTo(4.5, 5.5);
    } else {
        path.moveTo(0.5, 5);
        path.lineTo(8.5, 5);
        path.lineTo(4.5, 0.5);
    }
    path.closeSubpath();
    p.drawPath(path);
    return image;
}

QImage check(const QColor &colour)
{
    QImage image = canvas(11, 11);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(colour, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    QPainterPath tick;
    tick.moveTo(1.5, 5.5);
    tick.lineTo(4.3, 8.5);
    tick.lineTo(9.5, 2.0);
    p.drawPath(tick);
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <output folder> <RRGGBB>...\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        const QString hex = QString::fromLatin1(argv[i]).toUpper();
        const QColor colour = QColor::fromString(QLatin1Char('#') + hex);
        if (hex.size() != 6 || !colour.isValid()) {
            std::fprintf(stderr, "not a colour: %s\n", argv[i]);
            return 2;
        }
        const QList<std::pair<QString, QImage>> marks{
            {QStringLiteral("arrow-down"), arrow(colour, true)},
            {QStringLiteral("arrow-up"), arrow(colour, false)},
            {QStringLiteral("check"), check(colour)}};
        for (const auto &[name, image] : marks) {
            const QString path = folder + u'/' + name + u'-' + hex + QLatin1String(".png");
            if (!image.save(path)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 1;
            }
        }
    }
    return 0;
}
