#include "UploadedPart.h"

#include "StoredJSON.h"

namespace ParcelKit {

QJsonObject UploadedPart::toJSON() const {
    return {{QStringLiteral("partNumber"), partNumber},
            {QStringLiteral("etag"), etag},
            {QStringLiteral("size"), size}};
}

UploadedPart UploadedPart::fromJSON(const QJsonValue& value) {
    using namespace StoredJSON;
    const auto json = object(value, QStringLiteral("parts"));
    return {requiredInt(json, QStringLiteral("partNumber")),
            requiredString(json, QStringLiteral("etag")),
            requiredInt64(json, QStringLiteral("size"))};
}

} // namespace ParcelKit
