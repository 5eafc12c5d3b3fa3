#pragma once

#include "UploadRecord.h"

#include <QUuid>

#include <functional>
#include <optional>

namespace ParcelKit {

// A change a worker makes to the stored record of its item: replace the whole record, set the
// parts, append one part, or mark the object complete in the bucket.
using RecordChange = std::function<void(UploadRecord&)>;

// What a running UploadWorker needs of its owner (the upload queue).
class UploadWorkerDelegate {
public:
    virtual ~UploadWorkerDelegate() = default;

    // Called on the thread that runs the worker, at once after every change of the record.
    // The owner applies `change` to its stored record only while `runID` is the item's current
    // run (so a cancelled or replaced run changes nothing), keeps its own copy of the item inside
    // the record and saves. Must not throw.
    virtual void updateRecord(const QUuid& itemID, const QUuid& runID,
                              const RecordChange& change) = 0;

    // Called on the same thread when a request of the run waits to be retried, with the text the
    // user should read (when and why), and with none once a retried request went through. Owners
    // that show no such text ignore it.
    virtual void retrying(const QUuid& itemID, const QUuid& runID,
                          const std::optional<QString>& notice) {
        Q_UNUSED(itemID);
        Q_UNUSED(runID);
        Q_UNUSED(notice);
    }
};

} // namespace ParcelKit
