#include "WireEncoder.h"

#include "WireDate.h"

#include <QJsonDocument>

namespace ParcelKit {

QByteArray WireEncoder::encode(const QJsonObject& object) {
    // QJsonObject keeps its keys sorted, so the compact form is already in ascending key order.
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonValue WireEncoder::fromDate(Timestamp date) {
    return HTTP::formatISO8601(date);
}

QJsonValue WireEncoder::fromURL(const QUrl& url) {
    return url.toString(QUrl::FullyEncoded);
}

QJsonValue WireEncoder::fromStrings(const QStringList& strings) {
    return QJsonArray::fromStringList(strings);
}

QJsonValue WireEncoder::fromStringMap(const QMap<QString, QString>& map) {
    QJsonObject object;
    for (auto it = map.begin(); it != map.end(); ++it)
        object.insert(it.key(), it.value());
    return object;
}

} // namespace ParcelKit
