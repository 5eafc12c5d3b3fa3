#include "UploadWorkerRig.h"

#include "Bookmark.h"
#include "FileFacts.h"
#include "PartLayout.h"
#include "TestSupport.h"

#include <QFile>

#include <stdexcept>

namespace ParcelKit::Testing {

void UploadWorkerRig::Delegate::updateRecord(const QUuid& itemID, const QUuid& runID,
                                             const RecordChange& change) {
    if (runID != currentRun || itemID != record.item.id) {
        ++ignored;
        return;
    }
    const UploadItem item = record.item;
    change(record);
    record.item = item;
    ++accepted;
}

UploadWorkerRig::UploadWorkerRig(qint64 budgetCapacity) : budget(budgetCapacity) {}

UploadOptions UploadWorkerRig::fastOptions(qint64 partSize) {
    using namespace std::chrono_literals;
    UploadOptions options;
    options.retryDelays = {1ms, 2ms, 5ms};
    options.maxRetries = 3;
    options.confirmDelay = 1ms;
    options.partSizeOverride = partSize;
    return options;
}

void UploadWorkerRig::writeContent(const QString& path, qint64 size, int seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 2166136261u ^ quint32(seed);
    for (qint64 i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = char(state >> 24);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != size)
        throw std::runtime_error("cannot write the test file");
}

UploadRecord UploadWorkerRig::recordOf(const QString& path, const UploadState& state,
                                       qint64 partSize) {
    const auto facts = FileFacts::ofPath(path);
    UploadRecord record;
    record.item = {QUuid::createUuid(),   path.section('/', -1), facts ? facts->size : 0, 0, state,
                   QStringLiteral("ws1"), std::nullopt};
    record.bookmark = Bookmark::make(path);
    record.path = path;
    if (facts)
        record.modifiedAt = facts->modifiedAt;
    record.partSize = partSize;
    return record;
}

UploadRecord UploadWorkerRig::makeRecord(const QString& filename, qint64 size,
                                         const UploadOptions& options) {
    writeContent(pathOf(filename), size);
    return recordOf(pathOf(filename), UploadState::uploading(),
                    PartLayout::partSize(size, options.partSizeOverride));
}

UploadRecord UploadWorkerRig::interrupted(FakeStorageService& storage, UploadRecord record,
                                          const QList<int>& numbers) {
    const QByteArray bytes = fileBytes(record.path);
    const PartLayout layout(record.item.byteCount, record.partSize);
    record.objectKey = QStringLiteral("ws1/earlier");
    record.multipartUploadID = storage.startUpload(*record.objectKey);
    for (int n : numbers) {
        const QByteArray part = bytes.mid(layout.offset(n), layout.length(n));
        record.parts.append(
            {n, storage.storePart(*record.multipartUploadID, n, part), part.size()});
    }
    return record;
}

UploadWorker UploadWorkerRig::worker(const UploadRecord& record, const UploadOptions& options) {
    delegate.currentRun = QUuid::createUuid();
    delegate.record = record;
    return UploadWorker(record.item.id, delegate.currentRun, record.item.workspaceID, service.api,
                        options, network, progress, budget, delegate);
}

QString UploadWorkerRig::upload(const UploadRecord& record, const UploadOptions& options,
                                std::chrono::milliseconds limit) {
    return await(worker(record, options).run(record, {}), limit);
}

} // namespace ParcelKit::Testing
