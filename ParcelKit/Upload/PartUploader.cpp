#include "PartUploader.h"

#include "BudgetGrant.h"
#include "ProgressBoard.h"
#include "RetryLoop.h"
#include "TaskGroup.h"

#include <algorithm>

namespace ParcelKit {

PartUploader::PartUploader(Target target, std::shared_ptr<OpenFile> file,
                           const MultipartStorage& storage, const UploadOptions& options,
                           NetworkMonitor& network, ProgressBoard& progress, ByteBudget& budget,
                           RetryLoop::Notice retryNotice)
    : m_target(std::move(target)), m_file(std::move(file)), m_storage(&storage),
      m_options(&options), m_network(&network), m_progress(&progress), m_budget(&budget),
      m_retryNotice(std::move(retryNotice)) {}

QCoro::Task<void> PartUploader::uploadAll(QList<int> missing, Finished finished,
                                          std::stop_token token) {
    auto pending = std::make_shared<std::deque<int>>(missing.cbegin(), missing.cend());
    const auto lanes =
        std::min<qsizetype>(std::max(1, m_options->maxConcurrentParts), qsizetype(pending->size()));
    TaskGroup group(token);
    for (qsizetype i = 0; i < lanes; ++i) {
        auto lane = [this, pending, finished = &finished](std::stop_token laneToken) {
            return runLane(pending, finished, std::move(laneToken));
        };
        group.spawn(std::move(lane));
    }
    co_await group.wait();
}

QCoro::Task<void> PartUploader::runLane(std::shared_ptr<std::deque<int>> pending,
                                        const Finished* finished, std::stop_token token) {
    while (!pending->empty()) {
        const int partNumber = pending->front();
        pending->pop_front();
        const UploadedPart part = co_await upload(partNumber, token);
        (*finished)(part);
    }
}

QCoro::Task<UploadedPart> PartUploader::upload(int partNumber, std::stop_token token) {
    auto once = [this, partNumber](std::stop_token attemptToken) {
        return attempt(partNumber, std::move(attemptToken));
    };
    RetryLoop loop(*m_options, *m_network, m_retryNotice);
    co_return co_await loop.run<UploadedPart>(std::move(once), std::move(token));
}

QCoro::Task<UploadedPart> PartUploader::attempt(int partNumber, std::stop_token token) {
    const qint64 length = m_target.layout.length(partNumber);
    const qint64 granted = co_await m_budget->acquire(length, token);
    const BudgetGrant grant(*m_budget, granted);

    QByteArray body =
        co_await OpenFile::readPart(m_file, m_target.layout.offset(partNumber), length);
    throwIfCancelled(token);
    m_file->checkUnchanged(m_target.byteCount, m_target.modifiedAt);
    SignedRequest signedRequest =
        co_await m_storage->signPart(m_target.objectKey, m_target.uploadID, partNumber, token);

    m_progress->setBytes(m_target.itemID, partNumber, 0);
    HTTP::ProgressCallback progress = m_progress->reporter(m_target.itemID, partNumber);
    try {
        co_return co_await m_storage->putPart(std::move(signedRequest), partNumber, std::move(body),
                                              std::move(progress), token);
    } catch (...) {
        // The bytes of a failed attempt leave the progress; the retry sends them again.
        m_progress->setBytes(m_target.itemID, partNumber, 0);
        throw;
    }
}

} // namespace ParcelKit
