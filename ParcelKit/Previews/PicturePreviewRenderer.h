#pragma once

#include "PreviewRenderer.h"

namespace ParcelKit {

// The preview renderer of the application and the command-line client: pictures from Qt's image
// readers, Poppler and ffmpegthumbnailer, renditions as JPEG.
class PicturePreviewRenderer final : public PreviewRenderer {
public:
    QList<std::optional<QByteArray>> render(const QString& path,
                                            const QList<PreviewKind>& kinds) const override;
};

} // namespace ParcelKit
