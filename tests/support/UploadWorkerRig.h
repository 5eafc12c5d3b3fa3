#pragma once

#include "ByteBudget.h"
#include "ProgressBoard.h"
#include "ServiceHarness.h"
#include "SignalNetworkMonitor.h"
#include "UploadWorker.h"
#include "UploadWorkerDelegate.h"

#include <QTemporaryDir>

#include <chrono>
#include <memory>

namespace ParcelKit::Testing {

// Everything an UploadWorker runs against in a test: the fake service and storage, a network
// monitor driven by hand, a progress board, a byte budget, files in a temporary folder and a
// delegate that keeps the record the way the queue does.
class UploadWorkerRig {
public:
    // Plays the queue's side: accepts changes only from the current run and keeps its own item.
    class Delegate : public UploadWorkerDelegate {
    public:
        void updateRecord(const QUuid& itemID, const QUuid& runID,
                          const RecordChange& change) override;

        QUuid currentRun;
        UploadRecord record;
        int accepted = 0;
        int ignored = 0;
    };

    explicit UploadWorkerRig(qint64 budgetCapacity = 1 << 20);

    // Small parts and tiny waits keep the tests fast.
    static UploadOptions fastOptions(qint64 partSize = 1024);
    // Writes `size` deterministic bytes, differing from part to part and by `seed`, to `path`.
    static void writeContent(const QString& path, qint64 size, int seed = 0);
    // The record the queue makes for the file at `path`; the file may be missing.
    static UploadRecord recordOf(const QString& path, const UploadState& state, qint64 partSize);
    // `record` as an earlier run left it: a multipart upload holding the parts `numbers`.
    static UploadRecord interrupted(FakeStorageService& storage, UploadRecord record,
                                    const QList<int>& numbers);

    // Writes a file of `size` bytes and makes a fresh record for it, as the queue would.
    UploadRecord makeRecord(const QString& filename, qint64 size,
                            const UploadOptions& options = fastOptions());
    QString pathOf(const QString& filename) const { return dir.filePath(filename); }

    // A worker for `record`'s item with a new run id that the delegate takes as current.
    UploadWorker worker(const UploadRecord& record, const UploadOptions& options = fastOptions());
    // Runs a worker to its end (bounded) and returns the service's upload id.
    QString upload(const UploadRecord& record, const UploadOptions& options = fastOptions(),
                   std::chrono::milliseconds limit = std::chrono::seconds(20));

    ServiceHarness service;
    SignalNetworkMonitor network;
    ProgressBoard progress;
    ByteBudget budget;
    Delegate delegate;
    QTemporaryDir dir;
};

} // namespace ParcelKit::Testing
