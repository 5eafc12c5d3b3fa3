#include "JpegRendition.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageWriter>

#include <algorithm>
#include <cmath>

namespace ParcelKit {

namespace {
constexpr int qualities[] = {80, 60, 40};
}

QImage JpegRendition::canvas(const QImage& picture, int longestSide) {
    if (picture.isNull() || longestSide < 1)
        return {};
    QImage source = picture;
    if (source.colorSpace().isValid() && source.colorSpace() != QColorSpace::SRgb)
        source.convertToColorSpace(QColorSpace::SRgb);
    const double scale =
        std::min(double(longestSide) / std::max(source.width(), source.height()), 1.0);
    const int width = std::max(1, int(std::lround(source.width() * scale)));
    const int height = std::max(1, int(std::lround(source.height() * scale)));

    // Scaled with alpha premultiplied, so transparent pixels do not bleed into their neighbours;
    // then laid on white without a painter (which would need a GUI application).
    QImage scaled = source.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                        .scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        return {};
    QImage canvas(width, height, QImage::Format_RGB32);
    if (canvas.isNull())
        return {};
    for (int y = 0; y < height; ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(scaled.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int uncovered = 255 - qAlpha(from[x]);
            to[x] = qRgb(qRed(from[x]) + uncovered, qGreen(from[x]) + uncovered,
                         qBlue(from[x]) + uncovered);
        }
    }
    return canvas;
}

std::optional<QByteArray> JpegRendition::jpeg(const QImage& canvas, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    if (!writer.write(canvas))
        return std::nullopt;
    return bytes;
}

std::optional<QByteArray> JpegRendition::encode(const QImage& picture, const PreviewKind& kind) {
    const QImage drawn = canvas(picture, kind.longestSide);
    if (drawn.isNull())
        return std::nullopt;
    for (const int quality : qualities) {
        if (auto bytes = jpeg(drawn, quality); bytes && bytes->size() <= kind.byteLimit)
            return bytes;
    }
    return std::nullopt;
}

} // namespace ParcelKit
