#include "UploadLists.h"

#include <QSet>

#include <algorithm>

namespace Parcella {

using ParcelKit::Timestamp;
using ParcelKit::UploadItem;
using ParcelKit::UploadState;

bool UploadLists::isExpired(const UploadItem& item, Timestamp now) {
    return item.state.kind() == UploadState::Case::finished && item.finishedAt &&
           now.secondsSince(*item.finishedAt) > keepFinishedSeconds;
}

bool UploadLists::isKept(const UploadItem& item, Timestamp now) {
    return item.state.kind() != UploadState::Case::cancelled && !isExpired(item, now);
}

UploadLists UploadLists::of(const QList<UploadItem>& items,
                            const std::optional<QString>& workspaceID,
                            const std::optional<PendingSend>& pending, Timestamp now) {
    UploadLists lists;
    QHash<QUuid, const UploadItem*> byID;
    for (const UploadItem& item : items) {
        byID.insert(item.id, &item);
        lists.isAnythingPaused |= item.isPaused;
    }

    if (pending) {
        for (const QUuid& id : pending->itemIDs)
            if (const UploadItem* item = byID.value(id))
                lists.pendingItems.append(*item);
    }
    if (workspaceID) {
        const QSet<QUuid> taken =
            pending ? QSet<QUuid>(pending->itemIDs.begin(), pending->itemIDs.end()) : QSet<QUuid>();
        for (const UploadItem& item : items)
            if (item.workspaceID == *workspaceID && !taken.contains(item.id))
                lists.uploads.append(item);
    }
    for (const UploadItem& item : lists.uploads) {
        if (!isKept(item, now))
            continue;
        lists.visibleUploads.append(item);
        lists.hasFailedUploads |= item.state.kind() == UploadState::Case::failed;
        lists.totalBytes += item.byteCount;
    }

    qint64 total = 0;
    qint64 sent = 0;
    for (const auto* list : {&lists.uploads, &lists.pendingItems}) {
        for (const UploadItem& item : *list) {
            lists.bytesSentInAll += std::min(item.bytesSent, item.byteCount);
            if (!item.isActive())
                continue;
            lists.isUploading = true;
            total += item.byteCount;
            sent += std::min(item.bytesSent, item.byteCount);
        }
    }
    lists.progress = total < 1 ? 0 : double(sent) / double(total);
    lists.activeBytesLeft = total - sent;
    return lists;
}

} // namespace Parcella
