#pragma once

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <chrono>
#include <optional>
#include <utility>

namespace ParcelKit {

// One HTTP request as the engine builds it. Header names compare case-insensitively; setting a
// header replaces an earlier value of the same name.
struct HTTPRequest {
    QUrl url;
    QByteArray method = "GET";
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // Idle timeout: the request fails when no byte moved for this long (never a limit on the
    // whole transfer). Connecting has its own timeout of the same length.
    std::chrono::milliseconds timeout{std::chrono::seconds(60)};

    void setHeader(const QByteArray& name, const QByteArray& value);
    std::optional<QByteArray> header(const QByteArray& name) const;
};

} // namespace ParcelKit
