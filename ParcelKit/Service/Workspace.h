#pragma once

#include "Brand.h"

#include <QList>

namespace ParcelKit {

// A workspace the user belongs to; transfers and uploads live in one.
struct Workspace {
    QString id;
    QString name;
    // The service's name of the user's role; the engine never interprets it.
    QString role = QStringLiteral("member");
    std::optional<QString> defaultBrandID;
    QList<Brand> brands;

    static Workspace fromJson(const QJsonValue& value);
    QJsonObject toJson() const;

    bool operator==(const Workspace&) const = default;
};

} // namespace ParcelKit
