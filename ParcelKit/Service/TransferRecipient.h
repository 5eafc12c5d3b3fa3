#pragma once

#include "Timestamp.h"

#include <QJsonObject>
#include <QString>

#include <optional>

namespace ParcelKit {

// An e-mail recipient of a transfer and when they last looked at it.
struct TransferRecipient {
    QString email;
    std::optional<Timestamp> viewedAt;
    std::optional<Timestamp> downloadedAt;

    static TransferRecipient fromJson(const QJsonValue& value);
    QJsonObject toJson() const;

    bool operator==(const TransferRecipient&) const = default;
};

} // namespace ParcelKit
