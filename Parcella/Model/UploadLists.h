#pragma once

#include "PendingSend.h"

#include "Timestamp.h"
#include "UploadItem.h"

#include <QList>
#include <QString>

#include <optional>

namespace Parcella {

// The queue's items as the popover shows them: the uploads of the workspace that no send has
// taken yet, those of the pending send, and the totals over them.
struct UploadLists {
    // A finished upload older than this is gone from the service's point of view.
    static constexpr double keepFinishedSeconds = 561'600;

    QList<ParcelKit::UploadItem> uploads;
    QList<ParcelKit::UploadItem> visibleUploads;
    QList<ParcelKit::UploadItem> pendingItems;
    bool isUploading = false;
    double progress = 0;
    // Bytes sent over all the items, finished ones included, so it does not drop when one ends.
    qint64 bytesSentInAll = 0;
    // Bytes the active items have yet to send.
    qint64 activeBytesLeft = 0;
    bool hasFailedUploads = false;
    // Over all the items, of every workspace.
    bool isAnythingPaused = false;
    qint64 totalBytes = 0;

    static UploadLists of(const QList<ParcelKit::UploadItem>& items,
                          const std::optional<QString>& workspaceID,
                          const std::optional<PendingSend>& pending, ParcelKit::Timestamp now);

    static bool isExpired(const ParcelKit::UploadItem& item, ParcelKit::Timestamp now);
    // Neither cancelled nor expired.
    static bool isKept(const ParcelKit::UploadItem& item, ParcelKit::Timestamp now);

    bool operator==(const UploadLists&) const = default;
};

} // namespace Parcella
