#include "UploadItem.h"

#include "StoredJSON.h"

namespace ParcelKit {

QJsonObject UploadItem::toJSON() const {
    QJsonObject json{{QStringLiteral("id"), StoredJSON::uuidText(id)},
                     {QStringLiteral("filename"), filename},
                     {QStringLiteral("byteCount"), byteCount},
                     {QStringLiteral("bytesSent"), bytesSent},
                     {QStringLiteral("state"), state.toJSON()},
                     {QStringLiteral("workspaceID"), workspaceID}};
    if (finishedAt)
        json.insert(QStringLiteral("finishedAt"), finishedAt->secondsSinceReferenceDate);
    return json;
}

UploadItem UploadItem::fromJSON(const QJsonValue& value) {
    using namespace StoredJSON;
    const auto json = object(value, QStringLiteral("item"));
    return {requiredUUID(json, QStringLiteral("id")),
            requiredString(json, QStringLiteral("filename")),
            requiredInt64(json, QStringLiteral("byteCount")),
            requiredInt64(json, QStringLiteral("bytesSent")),
            UploadState::fromJSON(requiredValue(json, QStringLiteral("state"))),
            requiredString(json, QStringLiteral("workspaceID")),
            optionalDate(json, QStringLiteral("finishedAt")),
            std::nullopt};
}

} // namespace ParcelKit
