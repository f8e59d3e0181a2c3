#include "Glyphs.h"

#include "Palette.h"

#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <cmath>
#include <numbers>

namespace artwork {
namespace {

constexpr double kLine = 1.8; // the stroke of every outline, in grid units

QPen Ink(double width = kLine) {
    return QPen(Qt::white, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Stroke(QPainter& p, const QPainterPath& path, double width = kLine) {
    p.strokePath(path, Ink(width));
}

// Clears the area of a path and a margin around it, so what is drawn there next stands free.
void Knock(QPainter& p, const QPainterPath& path, double margin) {
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillPath(path, Qt::black);
    p.strokePath(path, QPen(Qt::black, 2 * margin, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.restore();
}

QPainterPath Circle(QPointF c, double r) {
    QPainterPath path;
    path.addEllipse(c, r, r);
    return path;
}

// A disc: its edge, its hub and a short arc of reflected light.
void Disc(QPainter& p, QPointF c, double r) {
    Stroke(p, Circle(c, r));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(c, 1.7, 1.7);
    QPainterPath shine;
    const QRectF arc(c.x() - r * 0.62, c.y() - r * 0.62, r * 1.24, r * 1.24);
    shine.arcMoveTo(arc, 100);
    shine.arcTo(arc, 100, 60);
    Stroke(p, shine, 1.3);
}

// A path drawn on the 24-unit grid around (12, 12), centred on `at` at `scale`.
QPainterPath Placed(const QPainterPath& path, QPointF at, double scale) {
    QTransform t;
    t.translate(at.x(), at.y());
    t.scale(scale, scale);
    t.translate(-12, -12);
    return t.map(path);
}

QPainterPath Flame(QPointF at, double scale) {
    QPainterPath path;
    path.moveTo(12, 4.2);
    path.cubicTo(13.6, 7.4, 17.2, 9.6, 17.2, 14.2);
    path.cubicTo(17.2, 17.3, 14.9, 19.8, 12, 19.8);
    path.cubicTo(9.1, 19.8, 6.8, 17.3, 6.8, 14.4);
    path.cubicTo(6.8, 12.0, 8.2, 10.4, 9.5, 9.2);
    path.cubicTo(9.6, 11.1, 10.3, 12.3, 11.3, 12.7);
    path.cubicTo(10.9, 10.0, 11.1, 7.1, 12, 4.2);
    path.closeSubpath();
    return Placed(path, at, scale);
}

QPainterPath FlameCore(QPointF at, double scale) {
    QPainterPath path;
    path.moveTo(12, 13.0);
    path.cubicTo(13.3, 14.3, 14.3, 15.4, 14.3, 16.7);
    path.cubicTo(14.3, 18.0, 13.3, 18.8, 12, 18.8);
    path.cubicTo(10.7, 18.8, 9.7, 18.0, 9.7, 16.7);
    path.cubicTo(9.7, 15.4, 10.7, 14.3, 12, 13.0);
    path.closeSubpath();
    return Placed(path, at, scale);
}

void PaintFlame(QPainter& p, QPointF at, double scale) {
    p.fillPath(Flame(at, scale), Qt::white);
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillPath(FlameCore(at, scale), Qt::black);
    p.restore();
}

void Home(QPainter& p) {
    QPainterPath roof;
    roof.moveTo(4.8, 11.6);
    roof.lineTo(12, 5.2);
    roof.lineTo(19.2, 11.6);
    Stroke(p, roof);
    QPainterPath body;
    body.moveTo(7, 10);
    body.lineTo(7, 18.6);
    body.lineTo(17, 18.6);
    body.lineTo(17, 10);
    Stroke(p, body);
    QPainterPath door;
    door.moveTo(10.4, 18.6);
    door.lineTo(10.4, 14.4);
    door.lineTo(13.6, 14.4);
    door.lineTo(13.6, 18.6);
    Stroke(p, door, 1.5);
}

void ReadCD(QPainter& p) {
    Disc(p, {10.4, 10.4}, 6.4);
    QPainterPath arrow;
    arrow.moveTo(17.4, 11.6);
    arrow.lineTo(17.4, 19.4);
    arrow.moveTo(14.4, 16.4);
    arrow.lineTo(17.4, 19.4);
    arrow.lineTo(20.4, 16.4);
    Knock(p, arrow, 1.9);
    Stroke(p, arrow, 2.0);
}

void WriteCD(QPainter& p) {
    Disc(p, {10.4, 10.4}, 6.4);
    Knock(p, Flame({16.9, 15.9}, 0.64), 1.5);
    PaintFlame(p, {16.9, 15.9}, 0.64);
}

void CopyCD(QPainter& p) {
    Disc(p, {9.2, 9.2}, 5.6);
    Knock(p, Circle({14.8, 14.8}, 5.6), 1.6);
    Disc(p, {14.8, 14.8}, 5.6);
}

void EraseDisc(QPainter& p) {
    Disc(p, {10.4, 10.4}, 6.4);
    QPainterPath cross;
    cross.moveTo(14.6, 14.6);
    cross.lineTo(19.6, 19.6);
    cross.moveTo(19.6, 14.6);
    cross.lineTo(14.6, 19.6);
    Knock(p, cross, 2.0);
    Stroke(p, cross, 2.1);
}

void General(QPainter& p) {
    QPainterPath gear = Circle({12, 12}, 5.4);
    for (int i = 0; i < 8; ++i) {
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-1.45, -8.0, 2.9, 4.0), 0.6, 0.6);
        QTransform t;
        t.translate(12, 12);
        t.rotate(i * 45.0);
        gear = gear.united(t.map(tooth));
    }
    gear = gear.subtracted(Circle({12, 12}, 2.3));
    p.fillPath(gear, Qt::white);
}

void Rip(QPainter& p) {
    QPainterPath notes;
    auto head = [&](QPointF c) {
        QPainterPath h;
        h.addEllipse(QPointF(0, 0), 2.5, 1.9);
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotate(-22);
        notes.addPath(t.map(h));
    };
    head({8.2, 17.2});
    head({16.4, 15.6});
    notes.addRect(QRectF(9.6, 6.6, 1.5, 10.4));
    notes.addRect(QRectF(17.8, 5.0, 1.5, 10.4));
    QPainterPath beam;
    beam.moveTo(9.6, 6.6);
    beam.lineTo(19.3, 5.0);
    beam.lineTo(19.3, 7.9);
    beam.lineTo(9.6, 9.5);
    beam.closeSubpath();
    notes.addPath(beam);
    notes.setFillRule(Qt::WindingFill);
    p.fillPath(notes.simplified(), Qt::white);
}

void Burn(QPainter& p) {
    PaintFlame(p, {12, 12}, 1.0);
}

void Log(QPainter& p) {
    QPainterPath page;
    page.moveTo(14.2, 4.6);
    page.lineTo(7.2, 4.6);
    page.quadTo(6.2, 4.6, 6.2, 5.6);
    page.lineTo(6.2, 18.4);
    page.quadTo(6.2, 19.4, 7.2, 19.4);
    page.lineTo(16.8, 19.4);
    page.quadTo(17.8, 19.4, 17.8, 18.4);
    page.lineTo(17.8, 8.2);
    page.closeSubpath();
    Stroke(p, page, 1.6);
    QPainterPath fold;
    fold.moveTo(14.0, 4.8);
    fold.lineTo(14.0, 8.4);
    fold.lineTo(17.6, 8.4);
    Stroke(p, fold, 1.4);
    QPainterPath lines;
    for (double y : {11.6, 14.2, 16.8}) {
        lines.moveTo(9.0, y);
        lines.lineTo(y > 16 ? 12.8 : 15.0, y);
    }
    Stroke(p, lines, 1.4);
}

void HelpContent(QPainter& p) {
    QPainterPath book;
    book.moveTo(12, 7.4);
    book.cubicTo(10.0, 6.0, 7.4, 5.6, 4.6, 6.0);
    book.lineTo(4.6, 17.6);
    book.cubicTo(7.4, 17.2, 10.0, 17.6, 12, 19.0);
    book.cubicTo(14.0, 17.6, 16.6, 17.2, 19.4, 17.6);
    book.lineTo(19.4, 6.0);
    book.cubicTo(16.6, 5.6, 14.0, 6.0, 12, 7.4);
    book.closeSubpath();
    Stroke(p, book, 1.6);
    QPainterPath spine;
    spine.moveTo(12, 7.6);
    spine.lineTo(12, 18.6);
    Stroke(p, spine, 1.4);
}

void Information(QPainter& p) {
    Stroke(p, Circle({12, 12}, 7.6));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(12, 8.2), 1.25, 1.25);
    QPainterPath stem;
    stem.moveTo(12, 11.0);
    stem.lineTo(12, 16.4);
    Stroke(p, stem, 2.1);
}

void Online(QPainter& p) {
    Stroke(p, Circle({12, 12}, 7.6), 1.6);
    QPainterPath lines;
    lines.addEllipse(QPointF(12, 12), 3.3, 7.6);
    lines.moveTo(4.4, 12);
    lines.lineTo(19.6, 12);
    lines.moveTo(5.6, 8.2);
    lines.lineTo(18.4, 8.2);
    lines.moveTo(5.6, 15.8);
    lines.lineTo(18.4, 15.8);
    Stroke(p, lines, 1.2);
}

void Support(QPainter& p) {
    QPainterPath envelope;
    envelope.addRoundedRect(QRectF(4.4, 6.8, 15.2, 10.8), 1.4, 1.4);
    Stroke(p, envelope, 1.7);
    QPainterPath flap;
    flap.moveTo(5.2, 7.8);
    flap.lineTo(12, 13.0);
    flap.lineTo(18.8, 7.8);
    Stroke(p, flap, 1.6);
}

void Update(QPainter& p) {
    const QRectF circle(5.4, 5.4, 13.2, 13.2);
    const double r = 6.6;
    for (double start : {25.0, 205.0}) {
        QPainterPath arc;
        arc.arcMoveTo(circle, start);
        arc.arcTo(circle, start, 130);
        Stroke(p, arc, 1.9);
        // An arrow head at the end of the arc, along its direction of travel.
        const double end = (start + 130) * std::numbers::pi / 180;
        const QPointF tip(12 + r * std::cos(end), 12 - r * std::sin(end));
        const QPointF along(-std::sin(end), -std::cos(end));
        const QPointF across(std::cos(end), -std::sin(end));
        QPainterPath head;
        head.moveTo(tip - along * 2.6 + across * 2.4);
        head.lineTo(tip + along * 0.4);
        head.lineTo(tip - along * 2.6 - across * 2.4);
        Stroke(p, head, 1.9);
    }
}

} // namespace

const std::vector<GlyphEntry>& NavigationGlyphs() {
    using namespace palette;
    static const std::vector<GlyphEntry> glyphs = {
        {QStringLiteral("Home"), Blue, Home},
        {QStringLiteral("ReadCD"), Teal, ReadCD},
        {QStringLiteral("WriteCD"), Orange, WriteCD},
        {QStringLiteral("CopyCD"), Violet, CopyCD},
        {QStringLiteral("EraseDisc"), Red, EraseDisc},
        {QStringLiteral("General"), Slate, General},
        {QStringLiteral("Rip"), Teal, Rip},
        {QStringLiteral("Burn"), Orange, Burn},
        {QStringLiteral("Log"), Slate, Log},
        {QStringLiteral("HelpContent"), Blue, HelpContent},
        {QStringLiteral("Information"), Sky, Information},
        {QStringLiteral("Online"), Indigo, Online},
        {QStringLiteral("Support"), Blue, Support},
        {QStringLiteral("Update"), Green, Update},
    };
    return glyphs;
}

} // namespace artwork
