#include "SourcePicture.h"

#include <QFile>
#include <QImageReader>
#include <QMimeDatabase>

#include <poppler-qt6.h>

#include <libffmpegthumbnailer/videothumbnailerc.h>

#include <memory>
#include <mutex>

namespace ParcelKit {

QImage SourcePicture::load(const QString& path, int maxPixels) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    if (type.inherits(QStringLiteral("application/pdf")))
        return fromPDF(path, maxPixels);
    if (type.name().startsWith(QLatin1String("video/")))
        return fromMovie(path, maxPixels);
    return fromImage(path, maxPixels);
}

QSize SourcePicture::fittedSize(const QSize& size, int maxPixels) {
    if (size.width() <= maxPixels && size.height() <= maxPixels)
        return size;
    // At least one pixel each way, however narrow the picture.
    return size.scaled(maxPixels, maxPixels, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QImage SourcePicture::fitted(QImage image, int maxPixels) {
    const QSize size = fittedSize(image.size(), maxPixels);
    if (image.isNull() || size == image.size())
        return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage SourcePicture::fromImage(const QString& path, int maxPixels) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // Decoding at the reduced size spares the memory of a full-size decode where the format can.
    if (const QSize size = reader.size(); size.isValid()) {
        if (const QSize fitting = fittedSize(size, maxPixels); fitting != size)
            reader.setScaledSize(fitting);
    }
    return fitted(reader.read(), maxPixels);
}

QImage SourcePicture::fromPDF(const QString& path, int maxPixels) {
    // A damaged document is no news worth printing.
    static std::once_flag quiet;
    std::call_once(
        quiet, [] { Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, {}); });
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document || document->isLocked() || document->numPages() < 1)
        return {};
    const std::unique_ptr<Poppler::Page> page = document->page(0);
    if (!page)
        return {};
    const QSizeF points = page->pageSizeF();
    const double longest = std::max(points.width(), points.height());
    if (longest <= 0)
        return {};
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    // A page is measured in points (1/72 inch); render it so its longest side fills the square.
    const double dpi = 72.0 * maxPixels / longest;
    return fitted(page->renderToImage(dpi, dpi), maxPixels);
}

QImage SourcePicture::fromMovie(const QString& path, int maxPixels) {
    using Thumbnailer = std::unique_ptr<video_thumbnailer, decltype(&video_thumbnailer_destroy)>;
    using ImageData = std::unique_ptr<image_data, decltype(&video_thumbnailer_destroy_image_data)>;
    const Thumbnailer thumbnailer(video_thumbnailer_create(), &video_thumbnailer_destroy);
    const ImageData data(video_thumbnailer_create_image_data(),
                         &video_thumbnailer_destroy_image_data);
    if (!thumbnailer || !data)
        return {};
    thumbnailer->thumbnail_image_type = Rgb;
    thumbnailer->maintain_aspect_ratio = 1;
    // Asked for a size, the thumbnailer also scales small frames up; the frame's own size is
    // taken and only ever scaled down below.
    video_thumbnailer_set_size(thumbnailer.get(), 0, 0);
    const QByteArray file = QFile::encodeName(path);
    if (video_thumbnailer_generate_thumbnail_to_buffer(thumbnailer.get(), file.constData(),
                                                       data.get()) != 0)
        return {};
    const int width = data->image_data_width;
    const int height = data->image_data_height;
    if (width <= 0 || height <= 0 || qint64(data->image_data_size) < qint64(width) * height * 3)
        return {};
    const QImage frame(data->image_data_ptr, width, height, width * 3, QImage::Format_RGB888);
    // The frame borrows the thumbnailer's buffer: copy before it goes.
    return fitted(frame.copy(), maxPixels);
}

} // namespace ParcelKit
