#include "UploadRecord.h"

#include "StoredJSON.h"

#include <QJsonArray>

#include <limits>

namespace ParcelKit {

namespace {

QList<UploadedPart> partsFromJSON(const QJsonValue& value) {
    if (!value.isArray())
        throw StoredJSONError(QStringLiteral("Expected an array for key \"parts\"."));
    QList<UploadedPart> parts;
    const auto array = value.toArray();
    parts.reserve(array.size());
    for (const auto& part : array)
        parts.append(UploadedPart::fromJSON(part));
    return parts;
}

} // namespace

qint64 UploadRecord::confirmedBytes() const {
    // Saturates: a damaged file must not make the sum wrap around.
    qint64 sum = 0;
    for (const auto& part : parts) {
        if (__builtin_add_overflow(sum, part.size, &sum))
            return part.size < 0 ? std::numeric_limits<qint64>::min()
                                 : std::numeric_limits<qint64>::max();
    }
    return sum;
}

QJsonObject UploadRecord::toJSON() const {
    QJsonArray partsJSON;
    for (const auto& part : parts)
        partsJSON.append(part.toJSON());
    QJsonObject json{{QStringLiteral("item"), item.toJSON()},
                     {QStringLiteral("path"), path},
                     {QStringLiteral("partSize"), partSize},
                     {QStringLiteral("parts"), partsJSON},
                     {QStringLiteral("isCompleteInBucket"), isCompleteInBucket}};
    if (bookmark)
        json.insert(QStringLiteral("bookmark"), QString::fromLatin1(bookmark->toBase64()));
    if (modifiedAt)
        json.insert(QStringLiteral("modifiedAt"), modifiedAt->secondsSinceReferenceDate);
    if (objectKey)
        json.insert(QStringLiteral("objectKey"), *objectKey);
    if (multipartUploadID)
        json.insert(QStringLiteral("multipartUploadID"), *multipartUploadID);
    return json;
}

UploadRecord UploadRecord::fromJSON(const QJsonValue& value) {
    using namespace StoredJSON;
    const auto json = object(value, QStringLiteral("record"));
    return {UploadItem::fromJSON(requiredValue(json, QStringLiteral("item"))),
            optionalBase64(json, QStringLiteral("bookmark")),
            requiredString(json, QStringLiteral("path")),
            optionalDate(json, QStringLiteral("modifiedAt")),
            requiredInt64(json, QStringLiteral("partSize")),
            optionalString(json, QStringLiteral("objectKey")),
            optionalString(json, QStringLiteral("multipartUploadID")),
            partsFromJSON(requiredValue(json, QStringLiteral("parts"))),
            requiredBool(json, QStringLiteral("isCompleteInBucket"))};
}

} // namespace ParcelKit
