#include "Disc.h"

#include "Palette.h"

#include <QConicalGradient>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace artwork {
namespace {

QPainterPath Ring(QPointF c, double outer, double inner) {
    QPainterPath path;
    path.addEllipse(c, outer, outer);
    path.addEllipse(c, inner, inner);
    path.setFillRule(Qt::OddEvenFill);
    return path;
}

QColor Alpha(QColor colour, int alpha) {
    colour.setAlpha(alpha);
    return colour;
}

// The data area: silver, the rainbow of the pits, two streaks of reflected light, grooves.
void PaintDataArea(QPainter& p, QPointF c, double r) {
    using namespace palette;
    const QPainterPath area = Ring(c, r, r * 0.36);
    QRadialGradient base(c - QPointF(r * 0.35, r * 0.45), r * 1.6);
    base.setColorAt(0.0, SilverLight);
    base.setColorAt(1.0, Silver);
    p.fillPath(area, base);

    QConicalGradient rainbow(c, 35);
    const QColor hues[] = {QColor(0x86, 0xdc, 0xff), QColor(0xc3, 0xa2, 0xff),
                           QColor(0xff, 0xa9, 0xd6), QColor(0xff, 0xe9, 0x9c),
                           QColor(0x9e, 0xf0, 0xc6), QColor(0x86, 0xdc, 0xff)};
    for (int i = 0; i < 6; ++i)
        rainbow.setColorAt(i / 5.0, hues[i]);
    p.setOpacity(0.62);
    p.fillPath(area, rainbow);

    QConicalGradient streaks(c, 62);
    const QColor clear = Alpha(Qt::white, 0);
    const QColor bright = Alpha(Qt::white, 235);
    streaks.setColorAt(0.00, clear);
    streaks.setColorAt(0.07, bright);
    streaks.setColorAt(0.15, clear);
    streaks.setColorAt(0.50, clear);
    streaks.setColorAt(0.57, bright);
    streaks.setColorAt(0.65, clear);
    streaks.setColorAt(1.00, clear);
    p.setOpacity(0.8);
    p.fillPath(area, streaks);
    p.setOpacity(1.0);

    // Grooves only where they can be seen: at small sizes they would turn into grey mush.
    if (r >= 24) {
        p.setPen(QPen(Alpha(Navy, 16), std::max(0.6, r / 160)));
        p.setBrush(Qt::NoBrush);
        for (double g = r * 0.42; g < r * 0.97; g += std::max(2.2, r * 0.045))
            p.drawEllipse(c, g, g);
    }
}

// The hub: a mirror band at the inner edge of the data area, the clear plastic inside it with
// its stacking ring, and the hole.
void PaintHub(QPainter& p, QPointF c, double r) {
    using namespace palette;
    QConicalGradient mirror(c, 62);
    mirror.setColorAt(0.00, Silver);
    mirror.setColorAt(0.07, SilverLight);
    mirror.setColorAt(0.25, Silver.darker(108));
    mirror.setColorAt(0.57, SilverLight);
    mirror.setColorAt(0.80, Silver.darker(108));
    mirror.setColorAt(1.00, Silver);
    p.fillPath(Ring(c, r * 0.36, r * 0.29), mirror);
    p.fillPath(Ring(c, r * 0.29, r * 0.15), Alpha(Qt::white, 95));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Alpha(SilverRim, 170), std::max(0.7, r / 70)));
    p.drawEllipse(c, r * 0.36, r * 0.36);
    p.setPen(QPen(Alpha(Qt::white, 200), std::max(0.6, r / 90)));
    p.drawEllipse(c, r * 0.22, r * 0.22);
    p.setPen(QPen(Alpha(SilverRim, 220), std::max(0.7, r / 70)));
    p.drawEllipse(c, r * 0.15, r * 0.15);
    // The hole shows whatever lies below the disc.
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(c, r * 0.14, r * 0.14);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

} // namespace

void DrawDisc(QPainter& painter, QPointF centre, double radius) {
    // Drawn on its own layer first, so the hole is cut through the disc only.
    const double scale = std::max(1.0, painter.deviceTransform().m11());
    const double margin = 2.0;
    const QPointF origin(std::floor(centre.x() - radius - margin),
                         std::floor(centre.y() - radius - margin));
    const double extent = 2 * radius + 2 * margin + 1;
    const int pixels = static_cast<int>(std::ceil(extent * scale));
    QImage layer(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(scale);
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c = centre - origin;
        PaintDataArea(p, c, radius);
        PaintHub(p, c, radius);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(palette::SilverRim, std::max(0.8, radius / 60)));
        p.drawEllipse(c, radius - 0.4, radius - 0.4);
        p.setPen(QPen(Alpha(Qt::white, 170), std::max(0.6, radius / 90)));
        p.drawEllipse(c, radius * 0.95, radius * 0.95);
    }
    painter.drawImage(QRectF(origin, QSizeF(extent, extent)), layer);
}

void DrawDiscShadow(QPainter& painter, QPointF centre, double radius) {
    QRadialGradient shadow(centre + QPointF(0, radius * 0.06), radius * 1.12);
    shadow.setColorAt(0.80, QColor(0, 0, 0, 90));
    shadow.setColorAt(1.00, QColor(0, 0, 0, 0));
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(shadow);
    painter.drawEllipse(centre + QPointF(0, radius * 0.06), radius * 1.12, radius * 1.12);
    painter.restore();
}

} // namespace artwork
