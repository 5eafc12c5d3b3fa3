// Pausing: by the user, item by item or all at once, and by the queue itself while the network
// is metered and uploads on it are not allowed. A paused item stays queued and keeps its
// multipart upload and stored parts, so its next run sends only what storage lacks.
#include "UploadQueue.h"

#include "NetworkMonitor.h"

namespace ParcelKit {

using Case = UploadState::Case;

void UploadQueue::pause(const QUuid& id) {
    setPaused({id}, true);
}

void UploadQueue::resume(const QUuid& id) {
    setPaused({id}, false);
}

void UploadQueue::pauseAll() {
    setPaused(m_records.keys(), true);
}

void UploadQueue::resumeAll() {
    setPaused(m_records.keys(), false);
}

void UploadQueue::setPaused(const QList<QUuid>& ids, bool paused) {
    bool changed = false;
    for (const QUuid& id : ids) {
        UploadRecord* const record = refreshedRecord(id);
        if (!record || !record->item.isActive() || record->item.isPaused == paused)
            continue;
        suspendRun(*record);
        record->item.isPaused = paused;
        showItem(record->item);
        changed = true;
    }
    if (changed)
        afterChange();
}

void UploadQueue::suspendRun(UploadRecord& record) {
    if (record.item.state.kind() != Case::uploading)
        return;
    stopRun(record.item.id);
    record.item.state = UploadState::queued();
    record.item.bytesSent = record.confirmedBytes();
    record.item.retryNotice.reset();
}

void UploadQueue::setPausesOnMeteredNetworks(bool pauses) {
    m_pausesOnMeteredNetworks = pauses;
    updateHold();
}

void UploadQueue::updateHold() {
    const bool held = m_pausesOnMeteredNetworks && m_network->isMetered();
    if (held == m_held)
        return;
    m_held = held;
    for (const QUuid& id : m_runs.keys()) {
        UploadRecord* const record = refreshedRecord(id);
        suspendRun(*record);
        showItem(record->item);
    }
    afterChange();
    emit heldByMeteredNetworkChanged();
}

bool UploadQueue::mayRun(const UploadItem& item) const {
    return !item.isPaused && !m_held;
}

} // namespace ParcelKit
