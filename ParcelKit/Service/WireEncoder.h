#pragma once

#include "Timestamp.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QUrl>

#include <optional>

namespace ParcelKit {

// Builds request bodies and the JSON form of records: compact, keys in ascending order, dates as
// UTC with milliseconds.
class WireEncoder {
public:
    // The bytes of a request body.
    static QByteArray encode(const QJsonObject& object);

    static QJsonValue fromDate(Timestamp date);
    static QJsonValue fromURL(const QUrl& url);
    static QJsonValue fromStrings(const QStringList& strings);
    static QJsonValue fromStringMap(const QMap<QString, QString>& map);

    template <typename Record> static QJsonValue fromList(const QList<Record>& records) {
        QJsonArray array;
        for (const Record& record : records)
            array.append(record.toJson());
        return array;
    }

    // Sets `key` only when `value` is present; `encode` turns the value into JSON.
    template <typename T, typename Encode>
    static void insertIfPresent(QJsonObject& object, const QString& key,
                                const std::optional<T>& value, Encode encode) {
        if (value)
            object.insert(key, encode(*value));
    }
    template <typename T>
    static void insertIfPresent(QJsonObject& object, const QString& key,
                                const std::optional<T>& value) {
        if (value)
            object.insert(key, QJsonValue(*value));
    }
};

} // namespace ParcelKit
