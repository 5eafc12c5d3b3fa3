#pragma once

#include <QImage>
#include <QString>

namespace ParcelKit {

// The one picture a file's previews are derived from: the image itself (upright, decoded at a
// reduced size where it is larger), the first page of a PDF document, or a frame of a movie.
// Blocking; run it off the main thread.
class SourcePicture {
public:
    // Fits within `maxPixels` × `maxPixels`; a null image when the file gives no picture.
    static QImage load(const QString& path, int maxPixels);

private:
    static QImage fromImage(const QString& path, int maxPixels);
    static QImage fromPDF(const QString& path, int maxPixels);
    static QImage fromMovie(const QString& path, int maxPixels);
    // Scales down (never up) to fit within the square.
    static QSize fittedSize(const QSize& size, int maxPixels);
    static QImage fitted(QImage image, int maxPixels);
};

} // namespace ParcelKit
