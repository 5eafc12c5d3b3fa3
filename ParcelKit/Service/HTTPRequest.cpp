#include "HTTPRequest.h"

namespace ParcelKit {

void HTTPRequest::setHeader(const QByteArray& name, const QByteArray& value) {
    headers.removeIf(
        [&](const auto& header) { return header.first.compare(name, Qt::CaseInsensitive) == 0; });
    headers.append({name, value});
}

std::optional<QByteArray> HTTPRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

} // namespace ParcelKit
