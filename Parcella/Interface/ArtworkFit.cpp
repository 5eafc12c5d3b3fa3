#include "ArtworkFit.h"

#include <algorithm>

namespace Parcella {

QTransform fitDesign(const QRectF& design, const QSizeF& canvas) {
    if (design.isEmpty() || canvas.isEmpty())
        return {};
    const qreal scale =
        std::min(canvas.width() / design.width(), canvas.height() / design.height());
    QTransform transform;
    transform.translate((canvas.width() - design.width() * scale) / 2,
                        (canvas.height() - design.height() * scale) / 2);
    transform.scale(scale, scale);
    transform.translate(-design.x(), -design.y());
    return transform;
}

} // namespace Parcella
