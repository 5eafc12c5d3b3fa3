#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUrlQuery>

#include <chrono>
#include <optional>
#include <utility>

namespace ParcelKit::Testing {

// One request as the test server received it.
struct RecordedRequest {
    QByteArray method;
    // The request target as sent: path and query, still percent-encoded.
    QByteArray target;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // False when the server cut the connection while the body was still arriving.
    bool bodyComplete = true;
    // When its body had arrived, on the monotonic clock.
    std::chrono::steady_clock::time_point receivedAt;

    // The first field of that name, compared case-insensitively.
    std::optional<QByteArray> header(const QByteArray& name) const;
    // The decoded path without the query.
    QString path() const;
    QUrlQuery query() const;
    QString queryItem(const QString& name) const;
    // The body as a JSON object; empty when it is not one.
    QJsonObject jsonObject() const;
};

// The time between each request and the one before it.
QList<std::chrono::milliseconds> gapsBetween(const QList<RecordedRequest>& requests);

} // namespace ParcelKit::Testing
