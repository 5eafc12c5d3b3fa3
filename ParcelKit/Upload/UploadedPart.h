#pragma once

#include <QJsonObject>
#include <QString>

namespace ParcelKit {

// One part stored in the bucket. `etag` is kept exactly as the storage sent it, quotes included.
struct UploadedPart {
    int partNumber = 0;
    QString etag;
    qint64 size = 0;

    QJsonObject toJSON() const;
    // Throws StoredJSONError.
    static UploadedPart fromJSON(const QJsonValue& value);

    bool operator==(const UploadedPart&) const = default;
};

} // namespace ParcelKit
