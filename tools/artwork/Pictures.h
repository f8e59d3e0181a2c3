#pragma once

#include <QImage>
#include <QString>

namespace artwork {

// The splash window's face: the product name, its version and the disc.
QImage RenderSplash(const QString& productName, const QString& version);

// The main window's title strip, exactly the size the window shows it at.
QImage RenderTitle(const QString& productName, int width, int height);

// The product's mark: the disc on a navy tile with round corners (about box, window icon).
QImage RenderMark(int pixels);

} // namespace artwork
