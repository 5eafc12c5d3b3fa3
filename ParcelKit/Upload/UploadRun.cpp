#include "UploadRun.h"

#include "Bookmark.h"
#include "ParcelKitError.h"
#include "PartUploader.h"
#include "ProgressBoard.h"
#include "RetryLoop.h"
#include "Sleep.h"
#include "UploadGone.h"
#include "UploadMessages.h"

#include <QScopeGuard>

namespace ParcelKit {

namespace {
bool isConflict(const ParcelKitError& error) {
    return error.kind() == ParcelKitError::Kind::server && error.status() == 409;
}
} // namespace

UploadRun::UploadRun(UploadWorker worker, UploadRecord record)
    : m_worker(std::move(worker)), m_record(std::move(record)),
      m_storage(*m_worker.m_api, m_worker.m_workspaceID) {}

QCoro::Task<QString> UploadRun::perform(UploadWorker worker, UploadRecord record,
                                        std::stop_token token) {
    UploadRun run(std::move(worker), std::move(record));
    co_return co_await run.execute(std::move(token));
}

std::optional<QString> UploadRun::serviceUploadID(const UploadRecord& record) {
    if (!record.objectKey)
        return std::nullopt;
    const QStringList components = record.objectKey->split(u'/', Qt::SkipEmptyParts);
    if (components.isEmpty())
        return std::nullopt;
    return components.last();
}

QCoro::Task<QString> UploadRun::execute(std::stop_token token) {
    const auto clearProgress =
        qScopeGuard([this] { m_worker.m_progress->clear(m_worker.m_itemID); });
    const QString& filename = m_record.item.filename;
    m_file = OpenFile::open(Bookmark::locate(m_record.bookmark, m_record.path), filename,
                            m_worker.m_partReads);
    checkUnchanged();
    if (m_record.item.byteCount > PartLayout::maxByteCount)
        throw ParcelKitError::fileUnavailable(UploadMessages::tooLarge(filename));
    if (const auto problem =
            PartLayout::problem(m_record.item.byteCount, m_record.partSize, filename))
        throw ParcelKitError::validation(*problem);
    m_layout.emplace(m_record.item.byteCount, m_record.partSize);

    for (bool restarted = false;; restarted = true) {
        try {
            co_return co_await body(token);
        } catch (const UploadGone&) {
            if (restarted)
                throw ParcelKitError::server(404, UploadMessages::cancelledOnServer());
        }
        resetToScratch();
        reportRecord();
    }
}

QCoro::Task<QString> UploadRun::body(std::stop_token token) {
    const bool confirmable = m_record.isCompleteInBucket && serviceUploadID(m_record);
    if (confirmable)
        co_return co_await confirmOrGone(token);

    if (m_record.objectKey && m_record.multipartUploadID && !m_record.isCompleteInBucket) {
        auto list = [this, key = *m_record.objectKey,
                     uploadID = *m_record.multipartUploadID](std::stop_token attemptToken) {
            return m_storage.listParts(key, uploadID, std::move(attemptToken));
        };
        const auto listed =
            co_await withRetries<std::optional<QList<UploadedPart>>>(std::move(list), token);
        // Gone from storage: an earlier run may have completed it and lost the answer.
        if (!listed)
            co_return co_await confirmDirectly(token);
        m_record.parts = m_layout->reconciled(*listed);
        report([parts = m_record.parts](UploadRecord& record) { record.parts = parts; });
    } else {
        co_await startFresh(token);
    }

    co_await uploadParts(token);
    checkUnchanged();
    co_await completeMultipart(token);
    m_record.isCompleteInBucket = true;
    report([](UploadRecord& record) { record.isCompleteInBucket = true; });
    co_return co_await confirmOrGone(token);
}

QCoro::Task<void> UploadRun::startFresh(std::stop_token token) {
    resetToScratch();
    auto start = [this, filename = m_record.item.filename](std::stop_token attemptToken) {
        return m_storage.start(filename, std::move(attemptToken));
    };
    const auto started = co_await withRetries<MultipartStorage::Started>(std::move(start), token);
    m_record.objectKey = started.objectKey;
    m_record.multipartUploadID = started.uploadID;
    reportRecord();
}

QCoro::Task<void> UploadRun::uploadParts(std::stop_token token) {
    if (!m_record.objectKey || !m_record.multipartUploadID)
        throw UploadGone{};
    PartUploader::Target target{m_worker.m_itemID,           *m_record.objectKey,
                                *m_record.multipartUploadID, *m_layout,
                                m_record.item.byteCount,     m_record.modifiedAt};
    PartUploader uploader(std::move(target), m_file, m_storage, m_worker.m_options,
                          *m_worker.m_network, *m_worker.m_progress, *m_worker.m_budget,
                          retryNotice());
    PartUploader::Finished finished = [this](const UploadedPart& part) {
        m_record.parts.append(part);
        m_worker.m_progress->removePart(m_worker.m_itemID, part.partNumber);
        report([part](UploadRecord& record) { record.parts.append(part); });
    };
    QList<int> missing = m_layout->missing(m_record.parts);
    co_await uploader.uploadAll(std::move(missing), std::move(finished), std::move(token));
}

QCoro::Task<void> UploadRun::completeMultipart(std::stop_token token) {
    if (!m_record.objectKey || !m_record.multipartUploadID)
        throw UploadGone{};
    auto complete = [this, key = *m_record.objectKey, uploadID = *m_record.multipartUploadID,
                     parts = m_record.parts](std::stop_token attemptToken) {
        return m_storage.complete(key, uploadID, parts, std::move(attemptToken));
    };
    co_await withRetries<void>(std::move(complete), std::move(token));
}

QCoro::Task<QString> UploadRun::confirmUpload(std::stop_token token) {
    for (int attempt = 1;; ++attempt) {
        auto confirm = [this](std::stop_token attemptToken) -> QCoro::Task<QString> {
            const auto id = serviceUploadID(m_record);
            if (!id)
                throw UploadGone{};
            return m_storage.confirm(*id, std::move(attemptToken));
        };
        try {
            co_return co_await withRetries<QString>(std::move(confirm), token);
        } catch (const ParcelKitError& error) {
            if (!isConflict(error) || attempt >= m_worker.m_options.confirmAttempts)
                throw;
        }
        co_await sleepContinuous(m_worker.m_options.confirmDelay, token);
    }
}

QCoro::Task<QString> UploadRun::confirmOrGone(std::stop_token token) {
    try {
        co_return co_await confirmUpload(std::move(token));
    } catch (const ParcelKitError& error) {
        if (isConflict(error))
            throw UploadGone{};
        throw;
    }
}

QCoro::Task<QString> UploadRun::confirmDirectly(std::stop_token token) {
    const auto id = serviceUploadID(m_record);
    if (!id)
        throw UploadGone{};
    try {
        co_return co_await m_storage.confirm(*id, std::move(token));
    } catch (const Cancelled&) {
        throw;
    } catch (...) {
        throw UploadGone{};
    }
}

template <typename T, typename Operation>
QCoro::Task<T> UploadRun::withRetries(Operation operation, std::stop_token token) {
    RetryLoop loop(m_worker.m_options, *m_worker.m_network, retryNotice());
    co_return co_await loop.run<T>(std::move(operation), std::move(token));
}

void UploadRun::checkUnchanged() const {
    m_file->checkUnchanged(m_record.item.byteCount, m_record.modifiedAt);
}

void UploadRun::resetToScratch() {
    m_record.objectKey.reset();
    m_record.multipartUploadID.reset();
    m_record.parts.clear();
    m_record.isCompleteInBucket = false;
    m_record.item.bytesSent = 0;
}

void UploadRun::report(const RecordChange& change) {
    m_worker.m_queue->updateRecord(m_worker.m_itemID, m_worker.m_runID, change);
}

RetryLoop::Notice UploadRun::retryNotice() const {
    return [queue = m_worker.m_queue, itemID = m_worker.m_itemID, runID = m_worker.m_runID](
               const std::optional<QString>& notice) { queue->retrying(itemID, runID, notice); };
}

void UploadRun::reportRecord() {
    report([record = m_record](UploadRecord& stored) { stored = record; });
}

} // namespace ParcelKit
