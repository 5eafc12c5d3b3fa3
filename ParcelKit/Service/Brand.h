#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

namespace ParcelKit {

// A workspace's brand for download pages and e-mails.
struct Brand {
    QString id;
    QString name;
    std::optional<QString> accentColor;
    std::optional<QString> domain;

    static Brand fromJson(const QJsonValue& value);
    QJsonObject toJson() const;

    bool operator==(const Brand&) const = default;
};

} // namespace ParcelKit
