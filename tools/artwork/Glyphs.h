#pragma once

#include <QColor>
#include <QString>
#include <functional>
#include <vector>

class QPainter;

namespace artwork {

// The white line drawings on the icon tiles, on a 24 x 24 grid. A glyph may punch its outline
// through what it overlaps (a badge over a disc), so it draws on a layer of its own.
using GlyphPainter = std::function<void(QPainter&)>;

struct GlyphEntry {
    QString name; // the file name without ".png"
    QColor tile;  // the accent colour of the tile below the glyph
    GlyphPainter paint;
};

// Every glyph of the navigation bar, by the file name the main window asks for.
const std::vector<GlyphEntry>& NavigationGlyphs();

} // namespace artwork
