#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace ParcelKit {

// The token endpoint's JSON answer; all three keys are required.
struct TokenResponse {
    QString accessToken;
    QString refreshToken;
    double expiresIn = 0;

    // None when the body is not a JSON object with "access_token" and "refresh_token" as texts
    // and "expires_in" as a number.
    static std::optional<TokenResponse> decode(const QByteArray& body);
};

} // namespace ParcelKit
