#pragma once

#include "PreviewKind.h"

#include <QByteArray>
#include <QImage>

#include <optional>

namespace ParcelKit {

// One JPEG of a picture for a kind of preview: scaled down (never up) to the kind's longest
// side, drawn on opaque white so transparent areas turn white, in sRGB without alpha, at the
// first of the qualities 80, 60 and 40 whose bytes fit the kind's limit.
class JpegRendition {
public:
    // Absent when no quality fits or the picture cannot be drawn or encoded.
    static std::optional<QByteArray> encode(const QImage& picture, const PreviewKind& kind);

    // The picture at the kind's size on white, before compression.
    static QImage canvas(const QImage& picture, int longestSide);
    static std::optional<QByteArray> jpeg(const QImage& canvas, int quality);
};

} // namespace ParcelKit
