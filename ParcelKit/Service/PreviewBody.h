#pragma once

#include <QJsonObject>
#include <QString>

namespace ParcelKit {

// Asks the service to presign the upload of a preview image of a file.
struct PreviewBody {
    // "preview" or "thumbnail".
    QString kind;
    QString contentType;

    QJsonObject toJson() const { return {{"kind", kind}, {"contentType", contentType}}; }

    bool operator==(const PreviewBody&) const = default;
};

} // namespace ParcelKit
