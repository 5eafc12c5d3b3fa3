#include "RunDelegate.h"

#include "UploadQueue.h"

namespace ParcelKit {

RunDelegate::RunDelegate(UploadQueue* queue) : m_queue(queue) {}

void RunDelegate::updateRecord(const QUuid& itemID, const QUuid& runID,
                               const RecordChange& change) {
    if (m_queue)
        m_queue->updateRecord(itemID, runID, change);
}

void RunDelegate::retrying(const QUuid& itemID, const QUuid& runID,
                           const std::optional<QString>& notice) {
    if (m_queue)
        m_queue->retrying(itemID, runID, notice);
}

} // namespace ParcelKit
