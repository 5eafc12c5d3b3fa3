#include "PicturePreviewRenderer.h"

#include "JpegRendition.h"
#include "SourcePicture.h"

namespace ParcelKit {

QList<std::optional<QByteArray>>
PicturePreviewRenderer::render(const QString& path, const QList<PreviewKind>& kinds) const {
    const QImage picture = SourcePicture::load(path, sourcePixels);
    if (picture.isNull())
        return {};
    QList<std::optional<QByteArray>> renditions;
    for (const PreviewKind& kind : kinds)
        renditions.append(JpegRendition::encode(picture, kind));
    return renditions;
}

} // namespace ParcelKit
