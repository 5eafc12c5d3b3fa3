#include "HTTPResponse.h"

namespace ParcelKit {

// The first of repeated fields, as the answer listed them.
std::optional<QByteArray> HTTPResponse::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

} // namespace ParcelKit
