#pragma once

#include "Timestamp.h"
#include "UploadState.h"

#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>

namespace ParcelKit {

// One file as the user sees it while it uploads.
struct UploadItem {
    QUuid id;
    QString filename;
    qint64 byteCount = 0;
    // Confirmed parts plus bytes in flight; equals byteCount once finished.
    qint64 bytesSent = 0;
    UploadState state;
    QString workspaceID;
    std::optional<Timestamp> finishedAt;
    // While an uploading item waits to retry a request: when and why, as the user reads it
    // ("retrying in 8 s: The network connection was lost."). Never saved.
    std::optional<QString> retryNotice = std::nullopt;
    // The user paused it: it stays queued, keeping its stored parts, until resumed. Kept beside
    // "uploads.json", not in it.
    bool isPaused = false;

    bool isActive() const {
        return state.kind() == UploadState::Case::queued ||
               state.kind() == UploadState::Case::uploading;
    }

    QJsonObject toJSON() const;
    // Throws StoredJSONError.
    static UploadItem fromJSON(const QJsonValue& value);

    bool operator==(const UploadItem&) const = default;
};

} // namespace ParcelKit
