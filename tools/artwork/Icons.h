#pragma once

#include "Glyphs.h"

#include <QImage>

namespace artwork {

// A navigation icon: a rounded tile in the glyph's accent colour with the white glyph on it,
// drawn at `pixels` x `pixels` (the glyph grid is scaled, never the finished image).
QImage RenderIcon(const GlyphEntry& glyph, int pixels);

} // namespace artwork
