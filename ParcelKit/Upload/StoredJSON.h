#pragma once

#include "StoredJSONError.h"
#include "Timestamp.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QUuid>

#include <optional>

namespace ParcelKit {

// Typed access to the keys of the engine's own JSON files. Every reader throws StoredJSONError
// when a required key is missing or a value has the wrong type; the optional readers accept an
// absent key but not a present key of the wrong type (null included).
namespace StoredJSON {

QJsonObject object(const QJsonValue& value, const QString& context);

QJsonValue requiredValue(const QJsonObject& object, const QString& key);
QJsonObject requiredObject(const QJsonObject& object, const QString& key);
QString requiredString(const QJsonObject& object, const QString& key);
bool requiredBool(const QJsonObject& object, const QString& key);
// Integral JSON numbers within range only: a fraction or a value past the type is refused rather
// than rounded.
qint64 requiredInt64(const QJsonObject& object, const QString& key);
int requiredInt(const QJsonObject& object, const QString& key);
// The canonical 36-character form in either case.
QUuid requiredUUID(const QJsonObject& object, const QString& key);

std::optional<QString> optionalString(const QJsonObject& object, const QString& key);
// Seconds since 2001-01-01 00:00:00 UTC; finite numbers only.
std::optional<Timestamp> optionalDate(const QJsonObject& object, const QString& key);
std::optional<QByteArray> optionalBase64(const QJsonObject& object, const QString& key);

// Upper-case hexadecimal digits, no braces.
QString uuidText(const QUuid& uuid);

} // namespace StoredJSON

} // namespace ParcelKit
