#include "Tokens.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace ParcelKit {

QByteArray Tokens::toStoredForm() const {
    const QJsonObject object{{"accessToken", accessToken},
                             {"refreshToken", refreshToken},
                             {"expiresAt", expiresAt.secondsSinceReferenceDate}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<Tokens> Tokens::fromStoredForm(const QByteArray& data) {
    const QJsonDocument document = QJsonDocument::fromJson(data);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue access = object.value("accessToken");
    const QJsonValue refresh = object.value("refreshToken");
    const QJsonValue expiresAt = object.value("expiresAt");
    if (!access.isString() || !refresh.isString() || !expiresAt.isDouble())
        return std::nullopt;
    return Tokens{access.toString(), refresh.toString(), Timestamp{expiresAt.toDouble()}};
}

} // namespace ParcelKit
