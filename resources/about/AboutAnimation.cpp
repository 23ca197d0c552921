#include "AboutAnimation.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <numbers>

namespace
{

constexpr double Tau = 2 * std::numbers::pi;
constexpr int Peers = 6;
constexpr double RingRadius = 31.0;
constexpr QPointF Centre{45.0, 45.0};

double fraction(double value)
{
    return value - std::floor(value);
}

// How strongly a wave of radius `wave` lights a peer on the ring.
double glowAt(double wave)
{
    const double distance = (wave - RingRadius) / 4.0;
    return std::exp(-distance * distance);
}

void drawBackground(QPainter &p)
{
    QLinearGradient body(0, 0, 0, 90);
    body.setColorAt(0.0, QColor(0x2B, 0x6C, 0xB8));
    body.setColorAt(1.0, QColor(0x0B, 0x26, 0x4D));
    p.setPen(QPen(QColor(0x0A, 0x1E, 0x3C), 1));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(0.5, 0.5, 89, 89), 14, 14);

    // A soft glass highlight over the upper half.
    QLinearGradient shine(0, 0, 0, 45);
    shine.setColorAt(0.0, QColor(255, 255, 255, 90));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawRoundedRect(QRectF(3, 3, 84, 42), 12, 12);
}

void drawWaves(QPainter &p, double t, double waves[2])
{
    for (int k = 0; k < 2; ++k) {
        const double phase = fraction(2 * t + k / 2.0);
        waves[k] = 6 + phase * 40;
        const int alpha = int(170 * (1 - phase));
        p.setPen(QPen(QColor(0x9F, 0xE4, 0xFF, alpha), 2.0 - phase));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(Centre, waves[k], waves[k]);
    }
}

// A small screen on a stand, lit by `glow` (0 … 1).
void drawPeer(QPainter &p, QPointF at, double glow)
{
    if (glow > 0.05) {
        QRadialGradient halo(at, 11);
        halo.setColorAt(0.0, QColor(0xB8, 0xF0, 0xFF, int(160 * glow)));
        halo.setColorAt(1.0, QColor(0xB8, 0xF0, 0xFF, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(halo);
        p.drawEllipse(at, 11, 11);
    }
    const QRectF screen(at.x() - 6, at.y() - 5, 12, 8);
    p.setPen(QPen(QColor(0x06, 0x18, 0x33), 1));
    p.setBrush(QColor(0xE4, 0xEC, 0xF4));
    p.drawRoundedRect(screen, 1.5, 1.5);
    const QColor dim(0x4A, 0x7F, 0xB5);
    const QColor lit(0x7C, 0xFF, 0xC4);
    const QColor face = QColor::fromRgbF(dim.redF() + (lit.redF() - dim.redF()) * glow,
                                         dim.greenF() + (lit.greenF() - dim.greenF()) * glow,
                                         dim.blueF() + (lit.blueF() - dim.blueF()) * glow);
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawRect(screen.adjusted(1.5, 1.5, -1.5, -1.5));
    p.setBrush(QColor(0xE4, 0xEC, 0xF4));
    p.drawRect(QRectF(at.x() - 1, at.y() + 3, 2, 2));
    p.drawRect(QRectF(at.x() - 4, at.y() + 5, 8, 1.5));
}

void drawBubble(QPainter &p, double t)
{
    const double lift = 1.5 * std::sin(Tau * t);
    const QRectF body(Centre.x() - 15, Centre.y() - 12 + lift, 30, 21);
    QPainterPath bubble;
    bubble.addRoundedRect(body, 7, 7);
    QPainterPath tail;
    tail.moveTo(body.left() + 7, body.bottom() - 2);
    tail.lineTo(body.left() + 4, body.bottom() + 6);
    tail.lineTo(body.left() + 14, body.bottom() - 2);
    tail.closeSubpath();
    bubble = bubble.united(tail);

    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0.0, QColor(0xFF, 0xFF, 0xFF));
    fill.setColorAt(1.0, QColor(0xD2, 0xE6, 0xFA));
    p.setPen(QPen(QColor(0x0A, 0x2A, 0x55), 1.2));
    p.setBrush(fill);
    p.drawPath(bubble);

    // Three typing dots that light up one after another.
    for (int k = 0; k < 3; ++k) {
        const double beat = std::sin(Tau * (3 * t) - k * 0.9);
        const double level = 0.35 + 0.65 * std::max(0.0, beat);
        QColor dot(0x1E, 0x5A, 0xA8);
        dot.setAlphaF(level);
        p.setPen(Qt::NoPen);
        p.setBrush(dot);
        const double radius = 2.2 + 0.6 * std::max(0.0, beat);
        p.drawEllipse(QPointF(body.center().x() + (k - 1) * 8, body.center().y()), radius, radius);
    }
}

} // namespace

QImage AboutAnimationFrame(int index)
{
    const int frame = ((index % AboutFrameCount) + AboutFrameCount) % AboutFrameCount;
    const double t = double(frame) / AboutFrameCount;

    QImage image(AboutFrameSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawBackground(p);

    double waves[2];
    drawWaves(p, t, waves);

    // The ring turns by one peer's spacing per loop, so the loop closes seamlessly.
    const double turn = Tau * t / Peers;
    for (int i = 0; i < Peers; ++i) {
        const double angle = turn + Tau * i / Peers - std::numbers::pi / 2;
        const QPointF at(Centre.x() + RingRadius * std::cos(angle),
                         Centre.y() + RingRadius * std::sin(angle));
        drawPeer(p, at, std::max(glowAt(waves[0]), glowAt(waves[1])));
    }
    drawBubble(p, t);
    return image;
}
