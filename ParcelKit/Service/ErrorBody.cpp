#include "ErrorBody.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace ParcelKit {

namespace {

// Fails decoding (returns false) when the key holds something other than text.
bool decodeText(const QJsonObject& object, const char* key, std::optional<QString>& field) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isString())
        return false;
    field = value.toString();
    return true;
}

bool decodeErrors(const QJsonObject& object, std::optional<QMap<QString, QStringList>>& field) {
    const QJsonValue value = object.value(QLatin1String("errors"));
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isObject())
        return false;
    QMap<QString, QStringList> errors;
    const QJsonObject entries = value.toObject();
    for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
        if (!entry.value().isArray())
            return false;
        QStringList texts;
        for (const QJsonValue& text : entry.value().toArray()) {
            if (!text.isString())
                return false;
            texts.append(text.toString());
        }
        errors.insert(entry.key(), texts);
    }
    field = std::move(errors);
    return true;
}

} // namespace

std::optional<ErrorBody> ErrorBody::decode(const QByteArray& body) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    ErrorBody decoded;
    if (!decodeText(object, "message", decoded.message) || !decodeErrors(object, decoded.errors) ||
        !decodeText(object, "error", decoded.error) ||
        !decodeText(object, "error_description", decoded.errorDescription))
        return std::nullopt;
    return decoded;
}

} // namespace ParcelKit
