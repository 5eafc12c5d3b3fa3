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
    // A longer answer body fails the request instead of growing memory without end (the idle
    // timeout never fires while bytes arrive). No answer of the service or its storage comes
    // near the default; a download that is known to be larger raises it.
    qint64 answerLimit = 4 * 1024 * 1024;
    // The body goes out within the session's upload rate limit, shared with every other such
    // body in flight (the parts of uploads; requests to the service are never held back).
    bool uploadRateLimited = false;

    void setHeader(const QByteArray& name, const QByteArray& value);
    std::optional<QByteArray> header(const QByteArray& name) const;
};

} // namespace ParcelKit
