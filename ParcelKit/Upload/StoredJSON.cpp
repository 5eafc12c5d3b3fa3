#include "StoredJSON.h"

#include <QVariant>

#include <cmath>
#include <limits>

namespace ParcelKit::StoredJSON {

namespace {

[[noreturn]] void mismatch(const QString& key, const char* expected) {
    throw StoredJSONError(
        QStringLiteral("Expected %1 for key \"%2\".").arg(QLatin1String(expected), key));
}

// Values of optional keys when present; null counts as present and wrong.
std::optional<QJsonValue> present(const QJsonObject& object, const QString& key) {
    const auto it = object.constFind(key);
    return it == object.constEnd() ? std::nullopt : std::optional<QJsonValue>(*it);
}

QString string(const QJsonValue& value, const QString& key) {
    if (!value.isString())
        mismatch(key, "a string");
    return value.toString();
}

bool isHex(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool isCanonicalUUID(const QString& text) {
    if (text.size() != 36)
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != u'-' : !isHex(text[i]))
            return false;
    }
    return true;
}

} // namespace

QJsonValue requiredValue(const QJsonObject& object, const QString& key) {
    const auto it = object.constFind(key);
    if (it == object.constEnd())
        throw StoredJSONError(QStringLiteral("No value associated with key \"%1\".").arg(key));
    return *it;
}

QJsonObject object(const QJsonValue& value, const QString& context) {
    if (!value.isObject())
        mismatch(context, "an object");
    return value.toObject();
}

QJsonObject requiredObject(const QJsonObject& object, const QString& key) {
    return StoredJSON::object(requiredValue(object, key), key);
}

QString requiredString(const QJsonObject& object, const QString& key) {
    return string(requiredValue(object, key), key);
}

bool requiredBool(const QJsonObject& object, const QString& key) {
    const auto value = requiredValue(object, key);
    if (!value.isBool())
        mismatch(key, "a boolean");
    return value.toBool();
}

qint64 requiredInt64(const QJsonObject& object, const QString& key) {
    const auto value = requiredValue(object, key);
    if (!value.isDouble())
        mismatch(key, "an integer");
    // Integers that fit are kept exactly; anything else arrives as a double.
    const auto variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong)
        return variant.toLongLong();
    const double number = value.toDouble();
    constexpr double limit = 9223372036854775808.0; // 2^63
    if (!(number >= -limit && number < limit) || std::trunc(number) != number)
        mismatch(key, "an integer within 64 bits");
    return qint64(number);
}

int requiredInt(const QJsonObject& object, const QString& key) {
    const qint64 value = requiredInt64(object, key);
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        mismatch(key, "an integer within 32 bits");
    return int(value);
}

QUuid requiredUUID(const QJsonObject& object, const QString& key) {
    const auto text = requiredString(object, key);
    if (!isCanonicalUUID(text))
        mismatch(key, "a UUID");
    return QUuid::fromString(text);
}

std::optional<QString> optionalString(const QJsonObject& object, const QString& key) {
    const auto value = present(object, key);
    return value ? std::optional<QString>(string(*value, key)) : std::nullopt;
}

std::optional<Timestamp> optionalDate(const QJsonObject& object, const QString& key) {
    const auto value = present(object, key);
    if (!value)
        return std::nullopt;
    if (!value->isDouble() || !std::isfinite(value->toDouble()))
        mismatch(key, "a date in seconds");
    return Timestamp{value->toDouble()};
}

std::optional<QByteArray> optionalBase64(const QJsonObject& object, const QString& key) {
    const auto value = present(object, key);
    if (!value)
        return std::nullopt;
    const auto text = string(*value, key);
    for (const QChar c : text) {
        if (c.unicode() > 0x7f)
            mismatch(key, "Base64 text");
    }
    auto decoded =
        QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        mismatch(key, "Base64 text");
    return *decoded;
}

QString uuidText(const QUuid& uuid) {
    return uuid.toString(QUuid::WithoutBraces).toUpper();
}

} // namespace ParcelKit::StoredJSON
