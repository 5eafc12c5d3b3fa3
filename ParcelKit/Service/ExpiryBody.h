#pragma once

#include <QJsonObject>

namespace ParcelKit {

// Changes a transfer's lifetime.
struct ExpiryBody {
    // Days from now.
    qint64 expiresIn = 0;

    QJsonObject toJson() const { return {{"expires_in", expiresIn}}; }

    bool operator==(const ExpiryBody&) const = default;
};

} // namespace ParcelKit
