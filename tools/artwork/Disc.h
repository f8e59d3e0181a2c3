#pragma once

#include <QPointF>

class QPainter;

namespace artwork {

// The product's motif: a silver disc with a rainbow sheen, light streaks, grooves, a clear hub
// and a see-through centre hole, drawn at any radius.
void DrawDisc(QPainter& painter, QPointF centre, double radius);

// A soft shadow below a disc of that radius, for discs that float over a background.
void DrawDiscShadow(QPainter& painter, QPointF centre, double radius);

} // namespace artwork
