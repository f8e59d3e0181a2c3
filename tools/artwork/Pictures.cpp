#include "Pictures.h"

#include "Disc.h"
#include "Palette.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace artwork {
namespace {

QFont Font(double pixels, QFont::Weight weight) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(static_cast<int>(pixels));
    font.setWeight(weight);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Text with a soft dark copy below it, so it stays readable over the lighter parts.
void ShadowedText(QPainter& p, QPointF baseline, const QString& text, const QColor& colour) {
    p.setPen(QColor(0, 0, 0, 70));
    p.drawText(baseline + QPointF(0, 1.5), text);
    p.setPen(colour);
    p.drawText(baseline, text);
}

// Faint concentric rings: the grooves of a huge disc far off to one side.
void Grooves(QPainter& p, QPointF centre, double from, double to, double step, int alpha) {
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, alpha), 1.0));
    for (double r = from; r < to; r += step)
        p.drawEllipse(centre, r, r);
    p.restore();
}

} // namespace

QImage RenderSplash(const QString& productName, const QString& version) {
    using namespace palette;
    const QSize size(480, 300);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, size.width(), size.height());
    sky.setColorAt(0.0, NavyDeep);
    sky.setColorAt(1.0, Navy.lighter(125));
    p.fillRect(image.rect(), sky);
    const QPointF discCentre(392, 150);
    QRadialGradient glow(discCentre, 230);
    glow.setColorAt(0.0, QColor(BlueLight.red(), BlueLight.green(), BlueLight.blue(), 120));
    glow.setColorAt(1.0, QColor(BlueLight.red(), BlueLight.green(), BlueLight.blue(), 0));
    p.fillRect(image.rect(), glow);
    Grooves(p, discCentre, 150, 520, 14, 10);

    DrawDiscShadow(p, discCentre + QPointF(0, 6), 122);
    DrawDisc(p, discCentre, 122);

    const double left = 34;
    p.setFont(Font(46, QFont::Bold));
    ShadowedText(p, {left, 146}, productName, Qt::white);
    // A short accent bar ties the name to the orange of writing.
    QLinearGradient bar(left, 0, left + 64, 0);
    bar.setColorAt(0.0, Orange);
    bar.setColorAt(1.0, Orange.lighter(135));
    p.setPen(Qt::NoPen);
    p.setBrush(bar);
    p.drawRoundedRect(QRectF(left + 2, 162, 64, 4), 2, 2);
    p.setFont(Font(16, QFont::Normal));
    ShadowedText(p, {left + 2, 192}, QStringLiteral("Version ") + version, Mist);

    p.setPen(QPen(NavyDeep.darker(130), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1));
    return image;
}

QImage RenderTitle(const QString& productName, int width, int height) {
    using namespace palette;
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient band(0, 0, width, 0);
    band.setColorAt(0.0, Navy);
    band.setColorAt(0.55, Navy.lighter(135));
    band.setColorAt(1.0, Blue);
    p.fillRect(image.rect(), band);
    const double mid = height / 2.0;
    // The grooves of a large disc off to the right, as on the splash.
    Grooves(p, QPointF(width - 48, mid), 10, 260, 6, 16);

    const double discRadius = height * 0.36;
    DrawDisc(p, QPointF(12 + discRadius, mid), discRadius);
    p.setFont(Font(height * 0.48, QFont::Bold));
    const QFontMetricsF metrics(p.font());
    const double baseline = mid + (metrics.ascent() - metrics.descent()) / 2;
    ShadowedText(p, {22 + 2 * discRadius, baseline}, productName, Qt::white);

    // A fine orange line at the foot, fading out towards the right.
    QLinearGradient foot(0, 0, width, 0);
    foot.setColorAt(0.0, Orange);
    foot.setColorAt(0.7, QColor(Orange.red(), Orange.green(), Orange.blue(), 60));
    foot.setColorAt(1.0, QColor(Orange.red(), Orange.green(), Orange.blue(), 0));
    p.fillRect(QRectF(0, height - 2, width, 2), foot);
    return image;
}

QImage RenderMark(int pixels) {
    using namespace palette;
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = pixels / 100.0;
    p.scale(s, s);

    const QRectF tile(3, 3, 94, 94);
    QLinearGradient fill(tile.topLeft(), tile.bottomRight());
    fill.setColorAt(0.0, Blue);
    fill.setColorAt(1.0, NavyDeep);
    p.setPen(QPen(QColor(NavyDeep.red(), NavyDeep.green(), NavyDeep.blue(), 150), 0.5));
    p.setBrush(fill);
    p.drawRoundedRect(tile, 21, 21);
    QRadialGradient glow(QPointF(50, 46), 48);
    glow.setColorAt(0.0, QColor(BlueLight.red(), BlueLight.green(), BlueLight.blue(), 110));
    glow.setColorAt(1.0, QColor(BlueLight.red(), BlueLight.green(), BlueLight.blue(), 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawRoundedRect(tile, 21, 21);

    DrawDiscShadow(p, QPointF(50, 52), 36);
    DrawDisc(p, QPointF(50, 50), 36);
    return image;
}

} // namespace artwork
