#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace ParcelKit {

// The service's JSON error answer; every field is optional.
struct ErrorBody {
    std::optional<QString> message;
    std::optional<QMap<QString, QStringList>> errors;
    std::optional<QString> error;
    std::optional<QString> errorDescription;

    // Nothing when the body is not a JSON object or one of the known keys holds another type
    // (a null counts as absent).
    static std::optional<ErrorBody> decode(const QByteArray& body);

    bool operator==(const ErrorBody&) const = default;
};

} // namespace ParcelKit
