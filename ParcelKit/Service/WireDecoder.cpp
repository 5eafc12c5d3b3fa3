#include "WireDecoder.h"

#include "WireDate.h"

#include <QCborValue>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>
#include <optional>

namespace ParcelKit {

namespace {

// 2^53: every integer up to here is exact as a double.
constexpr double exactDoubleLimit = 9007199254740992.0;
// 2^63: from here on the parser keeps a number as a double, which toInteger refuses anyway.
constexpr double integerLimit = 9223372036854775808.0;

bool isNumberCharacter(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// Stands in for a number the parser would round (see withInexactNumbersMarked): a double that
// stays a double, which toInteger refuses by name.
constexpr double inexactMarker = 1e308;

// Replaces number tokens outside strings that are written with a fraction or exponent and whose
// value lies between 2^53 and 2^63 (the parser turns those into integers that may differ from
// the text) by the marker, so only a field that reads one fails. None when there is no such
// token. Runs on valid JSON only, where a '-' or digit outside a string starts a number.
std::optional<QByteArray> withInexactNumbersMarked(const QByteArray& body) {
    QByteArray marked;
    qsizetype copied = 0;
    bool inString = false;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const char c = body.at(i);
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
            continue;
        }
        if (c != '-' && (c < '0' || c > '9'))
            continue;
        qsizetype end = i;
        bool written = false;
        while (end < body.size() && isNumberCharacter(body.at(end))) {
            const char d = body.at(end);
            written = written || d == '.' || d == 'e' || d == 'E';
            ++end;
        }
        const double magnitude = written ? std::fabs(body.mid(i, end - i).toDouble()) : 0;
        if (magnitude > exactDoubleLimit && magnitude < integerLimit) {
            marked += QByteArrayView(body).sliced(copied, i - copied);
            marked += "1e308";
            copied = end;
        }
        i = end - 1;
    }
    if (copied == 0)
        return std::nullopt;
    marked += QByteArrayView(body).sliced(copied);
    return marked;
}

QString typeName(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return QStringLiteral("a boolean");
    case QJsonValue::Double:
        return QStringLiteral("a number");
    case QJsonValue::String:
        return QStringLiteral("text");
    case QJsonValue::Array:
        return QStringLiteral("a list");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("nothing");
}

} // namespace

void WireDecoder::mismatch(const char* expected, const QJsonValue& value) {
    throw DecodingError(
        QStringLiteral("expected %1, found %2").arg(QLatin1String(expected), typeName(value)));
}

QJsonValue WireDecoder::parse(const QByteArray& body) {
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        throw DecodingError(
            QStringLiteral("not JSON: %1 at offset %2").arg(error.errorString()).arg(error.offset));
    if (const auto marked = withInexactNumbersMarked(body))
        document = QJsonDocument::fromJson(*marked);
    if (document.isArray())
        return document.array();
    return document.object();
}

WireDecoder::WireDecoder(const QJsonValue& value) : m_object(toObject(value)) {}

QJsonValue WireDecoder::requiredValue(const QString& key) const {
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined())
        throw DecodingError(QStringLiteral("missing"), key);
    return value;
}

QJsonObject WireDecoder::toObject(const QJsonValue& value) {
    if (!value.isObject())
        mismatch("an object", value);
    return value.toObject();
}

QString WireDecoder::toString(const QJsonValue& value) {
    if (!value.isString())
        mismatch("text", value);
    return value.toString();
}

qint64 WireDecoder::toInteger(const QJsonValue& value) {
    if (!value.isDouble())
        mismatch("an integer", value);
    // The parser keeps integral numbers that fit into 64 bits as exact integers.
    const QCborValue exact = QCborValue::fromJsonValue(value);
    if (exact.isInteger())
        return exact.toInteger();
    const double number = value.toDouble();
    if (number == inexactMarker || number == -inexactMarker)
        throw DecodingError(
            QStringLiteral("a number beyond 2^53 written with a fraction or exponent"));
    if (std::trunc(number) != number || std::fabs(number) > exactDoubleLimit)
        throw DecodingError(QStringLiteral("%1 is not an exact 64-bit integer").arg(number));
    return qint64(number);
}

Timestamp WireDecoder::toDate(const QJsonValue& value) {
    const QString text = toString(value);
    if (const std::optional<Timestamp> date = HTTP::parseISO8601(text))
        return *date;
    throw DecodingError(QStringLiteral("Not an ISO 8601 date: ") + text);
}

QUrl WireDecoder::toURL(const QJsonValue& value) {
    const QString text = toString(value);
    const QUrl url(text, QUrl::StrictMode);
    if (text.isEmpty() || !url.isValid())
        throw DecodingError(QStringLiteral("not a URL: ") + text);
    return url;
}

QMap<QString, QString> WireDecoder::toStringMap(const QJsonValue& value) {
    const QJsonObject object = toObject(value);
    QMap<QString, QString> result;
    for (auto it = object.begin(); it != object.end(); ++it) {
        try {
            result.insert(it.key(), toString(it.value()));
        } catch (const DecodingError& error) {
            throw error.inside(it.key());
        }
    }
    return result;
}

} // namespace ParcelKit
