#pragma once

#include "MultipartStorage.h"
#include "OpenFile.h"
#include "PartLayout.h"
#include "RetryLoop.h"
#include "UploadWorker.h"
#include "UploadWorkerDelegate.h"

#include <QCoroTask>

#include <memory>
#include <optional>
#include <stop_token>

namespace ParcelKit {

// One run of an UploadWorker: the state that lives exactly as long as the run (the open file,
// the record as this run knows it) and the steps from the record to a confirmed upload.
class UploadRun {
public:
    static QCoro::Task<QString> perform(UploadWorker worker, UploadRecord record,
                                        std::stop_token token);

    // The service's id of the upload: the last non-empty "/"-separated component of the key.
    static std::optional<QString> serviceUploadID(const UploadRecord& record);

private:
    UploadRun(UploadWorker worker, UploadRecord record);

    QCoro::Task<QString> execute(std::stop_token token);
    // Where to start, then everything up to the confirmation. Raises UploadGone when the
    // multipart upload or the service's knowledge of it is gone.
    QCoro::Task<QString> body(std::stop_token token);
    QCoro::Task<void> startFresh(std::stop_token token);
    QCoro::Task<void> uploadParts(std::stop_token token);
    QCoro::Task<void> completeMultipart(std::stop_token token);
    // Polls while the service answers 409; the last 409 is raised as it is.
    QCoro::Task<QString> confirmUpload(std::stop_token token);
    // confirmUpload with a final 409 turned into UploadGone, so the upload starts over once.
    QCoro::Task<QString> confirmOrGone(std::stop_token token);
    // One confirmation without retries, for an upload the storage no longer lists.
    QCoro::Task<QString> confirmDirectly(std::stop_token token);

    template <typename T, typename Operation>
    QCoro::Task<T> withRetries(Operation operation, std::stop_token token);

    void checkUnchanged() const;
    void resetToScratch();
    void report(const RecordChange& change);
    // Hands the retry notices of the run's requests to the queue.
    RetryLoop::Notice retryNotice() const;
    void reportRecord();

    UploadWorker m_worker;
    UploadRecord m_record;
    MultipartStorage m_storage;
    std::shared_ptr<OpenFile> m_file;
    std::optional<PartLayout> m_layout;
};

} // namespace ParcelKit
