#include "MultipartAborter.h"

#include "APIClient.h"
#include "Async.h"
#include "HTTP.h"
#include "MultipartStorage.h"
#include "ParcelKitError.h"

namespace ParcelKit {

namespace {

constexpr int attempts = 3;
constexpr std::chrono::seconds abortTimeout{15};
// Then twice that before the third attempt.
constexpr std::chrono::milliseconds firstAbortWait{1000};

bool isPassing(const ParcelKitError& error) {
    if (error.kind() == ParcelKitError::Kind::network)
        return true;
    const int status = error.status();
    return error.kind() == ParcelKitError::Kind::server &&
           (status == 408 || status == 429 || status >= 500);
}

QCoro::Task<void> attemptAbort(UploadRecord record, APIClient& api, std::stop_token token) {
    SignBody body{QStringLiteral("DELETE"), *record.objectKey, record.multipartUploadID, {}, {}};
    const SignedRequest signedRequest =
        co_await api.signUpload(std::move(body), record.item.workspaceID, token);
    HTTPRequest request = MultipartStorage::request(signedRequest, "DELETE");
    request.timeout = abortTimeout;
    co_await HTTP::exchange(api.urlSession(), std::move(request), std::move(token));
}

} // namespace

MultipartAborter::MultipartAborter(APIClient& api) : m_api(api) {}

MultipartAborter::~MultipartAborter() {
    for (const auto& handle : m_running)
        handle.cancel();
}

bool MultipartAborter::needsAbort(const UploadRecord& record) {
    return record.objectKey && record.multipartUploadID && !record.isCompleteInBucket;
}

QCoro::Task<void> MultipartAborter::abort(UploadRecord record, APIClient& api,
                                          std::stop_token token) {
    if (!needsAbort(record))
        co_return;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        try {
            co_await attemptAbort(record, api, token);
            co_return;
        } catch (const ParcelKitError& error) {
            if (!isPassing(error) || attempt == attempts - 1)
                co_return;
        } catch (...) {
            co_return;
        }
        try {
            co_await sleepFor(firstAbortWait * (1 << attempt), token);
        } catch (const Cancelled&) {
            co_return;
        }
    }
}

TaskHandle<void> MultipartAborter::launch(const UploadRecord& record) {
    m_running.removeIf([](const TaskHandle<void>& handle) { return handle.isFinished(); });
    APIClient* api = &m_api;
    auto body = [record, api](std::stop_token token) {
        return abort(record, *api, std::move(token));
    };
    auto handle = TaskHandle<void>::start(std::move(body));
    m_running.append(handle);
    return handle;
}

void MultipartAborter::start(const UploadRecord& record) {
    if (needsAbort(record))
        launch(record);
}

QCoro::Task<void> MultipartAborter::abortAll(QList<UploadRecord> records, std::stop_token token) {
    QList<TaskHandle<void>> handles;
    for (const auto& record : records) {
        if (needsAbort(record))
            handles.append(launch(record));
    }
    for (const auto& handle : handles) {
        throwIfCancelled(token);
        co_await handle.result();
    }
}

} // namespace ParcelKit
