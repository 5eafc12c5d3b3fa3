#pragma once

#include "UploadWorkerDelegate.h"

#include <QPointer>

namespace ParcelKit {

class UploadQueue;

// The delegate a run hands its worker. A run can end after its queue is gone (a cancelled run
// still has to unwind), so the worker reaches the queue only through this guard.
class RunDelegate final : public UploadWorkerDelegate {
public:
    explicit RunDelegate(UploadQueue* queue);

    void updateRecord(const QUuid& itemID, const QUuid& runID, const RecordChange& change) override;
    void retrying(const QUuid& itemID, const QUuid& runID,
                  const std::optional<QString>& notice) override;

private:
    QPointer<UploadQueue> m_queue;
};

} // namespace ParcelKit
