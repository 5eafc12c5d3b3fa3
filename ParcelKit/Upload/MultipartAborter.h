#pragma once

#include "TaskHandle.h"
#include "UploadRecord.h"

#include <QCoroTask>
#include <QList>

#include <stop_token>

namespace ParcelKit {

class APIClient;

// Aborts multipart uploads that will never be completed (cancelled, failed or removed items, a
// changed file, sign-out), so the storage does not keep their parts. Best effort: at most three
// attempts, failures are dropped. Lives on the main thread.
class MultipartAborter {
public:
    // `api` must outlive the aborter.
    explicit MultipartAborter(APIClient& api);
    // Cancels the aborts still running, so none of them outlives the API client.
    ~MultipartAborter();
    MultipartAborter(const MultipartAborter&) = delete;
    MultipartAborter& operator=(const MultipartAborter&) = delete;

    // Starts the abort of `record`'s multipart upload in the background; nothing waits for it.
    void start(const UploadRecord& record);
    // Aborts all of them concurrently and returns when every abort has ended (each is bounded by
    // its attempts and timeouts). A stop, noticed between aborts, ends the wait; the aborts go on.
    QCoro::Task<void> abortAll(QList<UploadRecord> records, std::stop_token token);
    // The aborts that may still be running.
    QList<TaskHandle<void>> running() const { return m_running; }

    // Whether there is anything to abort: a multipart upload that the storage did not assemble.
    static bool needsAbort(const UploadRecord& record);

    // The routine: sign a DELETE, send it; an answer of any status ends it. Network failures and
    // service statuses 408, 429 and 5xx are tried again after 1 s, then after 2 s.
    static QCoro::Task<void> abort(UploadRecord record, APIClient& api, std::stop_token token);

private:
    TaskHandle<void> launch(const UploadRecord& record);

    APIClient& m_api;
    QList<TaskHandle<void>> m_running;
};

} // namespace ParcelKit
