#pragma once

#include "Timestamp.h"
#include "UploadItem.h"
#include "UploadedPart.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace ParcelKit {

// An item with everything needed to resume its upload after a restart. `objectKey` and
// `multipartUploadID` are both present or both absent; `isCompleteInBucket` implies both.
struct UploadRecord {
    UploadItem item;
    std::optional<QByteArray> bookmark;
    QString path;
    std::optional<Timestamp> modifiedAt;
    qint64 partSize = 0;
    std::optional<QString> objectKey;
    std::optional<QString> multipartUploadID;
    QList<UploadedPart> parts;
    bool isCompleteInBucket = false;

    // The sum of the sizes of the stored parts.
    qint64 confirmedBytes() const;
    // The whole file goes in one part.
    bool isSinglePart() const { return item.byteCount <= partSize; }

    // Absent optionals are left out.
    QJsonObject toJSON() const;
    // Throws StoredJSONError.
    static UploadRecord fromJSON(const QJsonValue& value);

    bool operator==(const UploadRecord&) const = default;
};

} // namespace ParcelKit
