#pragma once

#include "UploadOptions.h"
#include "UploadRecord.h"

#include <QCoroTask>
#include <QString>
#include <QUuid>

#include <stop_token>

namespace ParcelKit {

class APIClient;
class ByteBudget;
class NetworkMonitor;
class ProgressBoard;
class UploadWorkerDelegate;

} // namespace ParcelKit

class QThreadPool;

namespace ParcelKit {

// Carries one file from its upload record to an upload the service has confirmed, for one run of
// an item. Whatever the record says decides where it starts; every change of the record goes to
// the delegate at once, so an interruption costs at most the parts that were in flight.
//
// The worker is a small value: run() copies it into the task, so the worker object itself may go
// away once run() has returned its task. The referenced objects must outlive that task.
class UploadWorker {
public:
    // Part reads run on `partReads` when given (it must outlive the task), else on the global
    // thread pool.
    UploadWorker(QUuid itemID, QUuid runID, QString workspaceID, APIClient& api,
                 UploadOptions options, NetworkMonitor& network, ProgressBoard& progress,
                 ByteBudget& budget, UploadWorkerDelegate& queue, QThreadPool* partReads = nullptr);

    // Uploads the file of `record` (a copy) and returns the service's upload id once the service
    // has confirmed the upload. Runs on the calling thread's event loop; file reads go to the
    // part-read pool and requests to the network thread.
    //
    // Fails with ParcelKitError (file problems as fileUnavailable, requests the service or the
    // storage refused for good as server, a record part size below 1 as validation, notSignedIn),
    // FileChangedError when the file changed, or Cancelled when `token` stopped; passing failures
    // are retried for as long as the task lives. A finished run (any outcome) holds no budget
    // bytes, no open file, no running part and no progress board entry of the item.
    QCoro::Task<QString> run(UploadRecord record, std::stop_token token) const;

    const QUuid& itemID() const { return m_itemID; }
    const QUuid& runID() const { return m_runID; }

private:
    friend class UploadRun;

    QUuid m_itemID;
    QUuid m_runID;
    QString m_workspaceID;
    APIClient* m_api;
    UploadOptions m_options;
    NetworkMonitor* m_network;
    ProgressBoard* m_progress;
    ByteBudget* m_budget;
    UploadWorkerDelegate* m_queue;
    QThreadPool* m_partReads;
};

} // namespace ParcelKit
