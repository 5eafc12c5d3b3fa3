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

QByteArray UploadWorkerRig::content(qint64 size, int seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 2166136261u ^ quint32(seed);
    for (qint64 i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = char(state >> 24);
    }
    return bytes;
}

UploadRecord UploadWorkerRig::makeRecord(const QString& filename, qint64 size,
                                         const UploadOptions& options) {
    const QString path = pathOf(filename);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content(size)) != size)
        throw std::runtime_error("cannot write the test file");
    file.close();
    const auto facts = FileFacts::ofPath(path);
    UploadRecord record;
    record.item = {QUuid::createUuid(),   filename,    size, 0, UploadState::uploading(),
                   QStringLiteral("ws1"), std::nullopt};
    record.bookmark = Bookmark::make(path);
    record.path = path;
    record.modifiedAt = facts->modifiedAt;
    record.partSize = PartLayout::partSize(size, options.partSizeOverride);
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
