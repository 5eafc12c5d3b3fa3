#pragma once

#include "Timestamp.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace ParcelKit {

// The tokens of a signed-in user.
struct Tokens {
    QString accessToken;
    QString refreshToken;
    Timestamp expiresAt;

    bool operator==(const Tokens&) const = default;

    // The stored form: compact UTF-8 JSON with "accessToken", "refreshToken" and "expiresAt" (a
    // number of seconds since 2001-01-01 00:00:00 UTC).
    QByteArray toStoredForm() const;
    // None for anything that is not exactly that form.
    static std::optional<Tokens> fromStoredForm(const QByteArray& data);
};

} // namespace ParcelKit
