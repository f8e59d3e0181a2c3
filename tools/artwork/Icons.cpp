#include "Icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace artwork {

QImage RenderIcon(const GlyphEntry& glyph, int pixels) {
    const double scale = pixels / 24.0;
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);

    // The tile: the accent a little lighter at the top, a fine darker edge, a lit top rim.
    const QRectF tile(1.0, 1.0, 22.0, 22.0);
    QPainterPath shape;
    shape.addRoundedRect(tile, 5.2, 5.2);
    QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
    fill.setColorAt(0.0, glyph.tile.lighter(118));
    fill.setColorAt(1.0, glyph.tile.darker(108));
    p.fillPath(shape, fill);
    p.strokePath(shape, QPen(glyph.tile.darker(135), 0.7));
    QPainterPath rim;
    rim.addRoundedRect(tile.adjusted(0.9, 0.9, -0.9, -0.9), 4.4, 4.4);
    QLinearGradient light(tile.topLeft(), tile.bottomLeft());
    light.setColorAt(0.0, QColor(255, 255, 255, 110));
    light.setColorAt(0.45, QColor(255, 255, 255, 0));
    p.strokePath(rim, QPen(QBrush(light), 0.8));

    // The glyph on its own layer, so its knock-outs cut through the glyph and not the tile.
    QImage layer(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter g(&layer);
        g.setRenderHint(QPainter::Antialiasing);
        g.scale(scale, scale);
        glyph.paint(g);
    }
    p.resetTransform();
    p.drawImage(0, 0, layer);
    return image;
}

} // namespace artwork
