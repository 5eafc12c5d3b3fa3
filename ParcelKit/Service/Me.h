#pragma once

#include "Workspace.h"

namespace ParcelKit {

// The signed-in user with the workspaces they can send from.
struct Me {
    QString id;
    QString name;
    QString email;
    QString locale;
    QList<Workspace> workspaces;

    static Me fromJson(const QJsonValue& value);
    QJsonObject toJson() const;

    bool operator==(const Me&) const = default;
};

} // namespace ParcelKit
