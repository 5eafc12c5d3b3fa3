#pragma once

#include "DecodingError.h"
#include "Timestamp.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QUrl>

#include <optional>
#include <type_traits>

namespace ParcelKit {

// Reads the fields of one JSON object of an answer. Required fields throw DecodingError when
// missing, null or of another JSON type; optional fields treat a missing key and null alike and
// still throw on another type. Unknown keys are ignored.
class WireDecoder {
    template <typename Decode> using Decoded = std::invoke_result_t<Decode, const QJsonValue&>;

public:
    // Parses an answer body into its top-level object or array. Throws DecodingError for text
    // that is not JSON (including nesting too deep for the parser). A number written with a
    // fraction or exponent between 2^53 and 2^63, which the parser would silently round to an
    // integer that may differ from the text, fails only the field that reads it. Integers
    // written as integers are read exactly across the whole 64-bit range.
    static QJsonValue parse(const QByteArray& body);

    // Throws DecodingError unless `value` is an object.
    explicit WireDecoder(const QJsonValue& value);

    // Decodes a required field with `decode` (a function of const QJsonValue&); failures name
    // the key.
    template <typename Decode>
    auto required(const QString& key, Decode decode) const -> Decoded<Decode> {
        return decodeAt(key, requiredValue(key), decode);
    }

    template <typename Decode>
    auto optional(const QString& key, Decode decode) const -> std::optional<Decoded<Decode>> {
        const QJsonValue value = m_object.value(key);
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        return decodeAt(key, value, decode);
    }

    QString string(const QString& key) const { return required(key, toString); }
    std::optional<QString> optionalString(const QString& key) const {
        return optional(key, toString);
    }
    qint64 integer(const QString& key) const { return required(key, toInteger); }
    std::optional<qint64> optionalInteger(const QString& key) const {
        return optional(key, toInteger);
    }
    Timestamp date(const QString& key) const { return required(key, toDate); }
    std::optional<Timestamp> optionalDate(const QString& key) const {
        return optional(key, toDate);
    }
    QUrl url(const QString& key) const { return required(key, toURL); }
    std::optional<QUrl> optionalURL(const QString& key) const { return optional(key, toURL); }

    template <typename Record> Record record(const QString& key) const {
        return required(key, [](const QJsonValue& value) { return Record::fromJson(value); });
    }
    template <typename Record> QList<Record> list(const QString& key) const {
        return required(key, toList<Record>);
    }
    // A missing or null list reads as empty.
    template <typename Record> QList<Record> optionalList(const QString& key) const {
        return optional(key, toList<Record>).value_or(QList<Record>());
    }

    // Converters for single JSON values, usable for list elements and custom fields.
    static QJsonObject toObject(const QJsonValue& value);
    static QString toString(const QJsonValue& value);
    // Integral numbers only, exactly as written when they fit into 64 bits.
    static qint64 toInteger(const QJsonValue& value);
    // A text in wire-date form.
    static Timestamp toDate(const QJsonValue& value);
    // A non-empty text that parses as a URL without lenient repairs.
    static QUrl toURL(const QJsonValue& value);
    static QMap<QString, QString> toStringMap(const QJsonValue& value);

    template <typename Record> static QList<Record> toList(const QJsonValue& value) {
        if (!value.isArray())
            mismatch("a list", value);
        const QJsonArray array = value.toArray();
        QList<Record> result;
        result.reserve(array.size());
        for (qsizetype index = 0; index < array.size(); ++index) {
            try {
                result.append(Record::fromJson(array.at(index)));
            } catch (const DecodingError& error) {
                throw error.inside(QStringLiteral("[%1]").arg(index));
            }
        }
        return result;
    }

private:
    [[noreturn]] static void mismatch(const char* expected, const QJsonValue& value);
    QJsonValue requiredValue(const QString& key) const;

    template <typename Decode>
    static auto decodeAt(const QString& key, const QJsonValue& value, Decode decode)
        -> Decoded<Decode> {
        try {
            return decode(value);
        } catch (const DecodingError& error) {
            throw error.inside(key);
        }
    }

    QJsonObject m_object;
};

} // namespace ParcelKit
