#pragma once

#include "PreviewKind.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace ParcelKit {

// Makes the preview pictures of a file. The engine knows no images; the application and the
// command-line client hand it an implementation (the ParcelKitPreviews library).
class PreviewRenderer {
public:
    // The side of the one source picture made per file: at most this many pixels each way.
    static constexpr int sourcePixels = 2000;

    virtual ~PreviewRenderer() = default;

    // Blocking: called off the main thread, one file at a time. Makes one source picture of the
    // file and derives one JPEG per kind from it, in the order of `kinds`; a kind whose JPEG
    // cannot be brought under its byte limit is absent. Empty when the file gives no picture.
    virtual QList<std::optional<QByteArray>> render(const QString& path,
                                                    const QList<PreviewKind>& kinds) const = 0;
};

} // namespace ParcelKit
