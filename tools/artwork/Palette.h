#pragma once

#include <QColor>

// One palette for every picture, so the splash, the title and the icons read as one product.
namespace artwork::palette {

// Deep navy to bright blue: the product's own colours.
inline const QColor NavyDeep{0x0e, 0x24, 0x3d};
inline const QColor Navy{0x17, 0x36, 0x5a};
inline const QColor Blue{0x2b, 0x6c, 0xb0};
inline const QColor BlueLight{0x5a, 0x9b, 0xe0};
inline const QColor Mist{0xa9, 0xc7, 0xea};

// The accents of the jobs; each icon tile is one of them.
inline const QColor Teal{0x14, 0x9a, 0x8b};   // reading and ripping
inline const QColor Orange{0xe8, 0x74, 0x2a}; // writing and burning
inline const QColor Violet{0x71, 0x56, 0xc6}; // copying
inline const QColor Red{0xd3, 0x43, 0x3d};    // erasing
inline const QColor Slate{0x56, 0x6c, 0x88};  // settings and the log
inline const QColor Sky{0x1f, 0x8c, 0xd0};    // information
inline const QColor Indigo{0x46, 0x5c, 0xcf}; // online resources
inline const QColor Green{0x2b, 0x9a, 0x55};  // updates

// The disc: brushed silver with a rainbow sheen.
inline const QColor SilverLight{0xf6, 0xf8, 0xfb};
inline const QColor Silver{0xd3, 0xdb, 0xe5};
inline const QColor SilverRim{0x8e, 0x9d, 0xb0};

} // namespace artwork::palette
