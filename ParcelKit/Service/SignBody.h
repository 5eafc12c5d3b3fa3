#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

namespace ParcelKit {

// What the service is asked to presign for object storage. Its keys are camelCase, unlike the
// rest of the wire.
struct SignBody {
    // HTTP method of the storage request.
    QString method;
    // Object key the request is for.
    QString key;
    std::optional<QString> uploadId;
    std::optional<qint64> partNumber;
    std::optional<QString> contentType;

    QJsonObject toJson() const;

    bool operator==(const SignBody&) const = default;
};

} // namespace ParcelKit
