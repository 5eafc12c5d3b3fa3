#pragma once

#include "MultipartStorage.h"
#include "OpenFile.h"
#include "PartLayout.h"
#include "RetryLoop.h"
#include "UploadOptions.h"

#include <QCoroTask>
#include <QUuid>

#include <deque>
#include <functional>
#include <memory>
#include <stop_token>

namespace ParcelKit {

class ByteBudget;
class NetworkMonitor;
class ProgressBoard;

// Sends the missing parts of one multipart upload, a few at once. Each attempt of a part holds
// the part's bytes from the shared budget only while that attempt is in memory.
class PartUploader {
public:
    struct Target {
        QUuid itemID;
        QString objectKey;
        QString uploadID;
        PartLayout layout;
        // What the file must still look like for its bytes to be sent.
        qint64 byteCount = 0;
        std::optional<Timestamp> modifiedAt;
    };
    using Finished = std::function<void(const UploadedPart&)>;

    PartUploader(Target target, std::shared_ptr<OpenFile> file, const MultipartStorage& storage,
                 const UploadOptions& options, NetworkMonitor& network, ProgressBoard& progress,
                 ByteBudget& budget, RetryLoop::Notice retryNotice);

    // Uploads the parts numbered in `missing` (in that order) on max(1, maxConcurrentParts)
    // lanes; `finished` runs on this thread for each part as it succeeds. The first failure
    // cancels the other lanes and is raised once all of them have ended.
    QCoro::Task<void> uploadAll(QList<int> missing, Finished finished, std::stop_token token);

private:
    QCoro::Task<void> runLane(std::shared_ptr<std::deque<int>> pending, const Finished* finished,
                              std::stop_token token);
    QCoro::Task<UploadedPart> upload(int partNumber, std::stop_token token);
    QCoro::Task<UploadedPart> attempt(int partNumber, std::stop_token token);

    Target m_target;
    std::shared_ptr<OpenFile> m_file;
    const MultipartStorage* m_storage;
    const UploadOptions* m_options;
    NetworkMonitor* m_network;
    ProgressBoard* m_progress;
    ByteBudget* m_budget;
    RetryLoop::Notice m_retryNotice;
};

} // namespace ParcelKit
