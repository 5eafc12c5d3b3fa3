#pragma once

#include "Delivery.h"
#include "Timestamp.h"
#include "TransferFile.h"
#include "TransferRecipient.h"

#include <QList>
#include <QUrl>

#include <optional>

namespace ParcelKit {

// A transfer as the service lists it, with its counters.
struct Transfer {
    QString id;
    // The download page.
    std::optional<QUrl> url;
    Delivery delivery = Delivery::link;
    std::optional<QString> title;
    std::optional<QString> subject;
    std::optional<QString> message;
    QList<TransferRecipient> recipients;
    // The service's name of the protection kind; the engine never interprets it.
    std::optional<QString> protection;
    std::optional<qint64> fileCount;
    std::optional<qint64> totalSize;
    Timestamp expiresAt;
    std::optional<Timestamp> sentAt;
    // Present once the transfer was deleted.
    std::optional<Timestamp> revokedAt;
    std::optional<Timestamp> createdAt;
    qint64 downloadCount = 0;
    std::optional<Timestamp> downloadedAt;
    qint64 viewCount = 0;
    std::optional<Timestamp> viewedAt;
    QList<TransferFile> files;

    static Transfer fromJson(const QJsonValue& value);
    QJsonObject toJson() const;

    bool operator==(const Transfer&) const = default;
};

} // namespace ParcelKit
