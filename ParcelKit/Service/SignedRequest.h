#pragma once

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QUrl>

#include <optional>

namespace ParcelKit {

// An object-storage request that the service presigned.
struct SignedRequest {
    QUrl url;
    // Header name → value that the request must carry.
    std::optional<QMap<QString, QString>> headers;
    // The object key in the bucket.
    std::optional<QString> key;

    static SignedRequest fromJson(const QJsonValue& value);
    QJsonObject toJson() const;

    bool operator==(const SignedRequest&) const = default;
};

} // namespace ParcelKit
