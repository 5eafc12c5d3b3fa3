#pragma once

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <optional>
#include <utility>

namespace ParcelKit {

// The head of an HTTP answer; the body travels beside it.
struct HTTPResponse {
    int status = 0;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QUrl url;

    std::optional<QByteArray> header(const QByteArray& name) const;
};

} // namespace ParcelKit
