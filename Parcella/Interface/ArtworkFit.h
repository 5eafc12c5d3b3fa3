#pragma once

#include <QRectF>
#include <QSizeF>
#include <QTransform>

namespace Parcella {

// Maps a design rectangle into a canvas: uniform scale, as large as fits, centred. Shared by the
// tray glyph and the illustrations so that both keep their proportions at every size.
QTransform fitDesign(const QRectF& design, const QSizeF& canvas);

} // namespace Parcella
