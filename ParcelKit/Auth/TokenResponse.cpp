#include "TokenResponse.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace ParcelKit {

std::optional<TokenResponse> TokenResponse::decode(const QByteArray& body) {
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue access = object.value("access_token");
    const QJsonValue refresh = object.value("refresh_token");
    const QJsonValue expiresIn = object.value("expires_in");
    if (!access.isString() || !refresh.isString() || !expiresIn.isDouble())
        return std::nullopt;
    return TokenResponse{access.toString(), refresh.toString(), expiresIn.toDouble()};
}

} // namespace ParcelKit
