#include "UploadQueueRig.h"

#include "TestSupport.h"
#include "UploadWorkerRig.h"

namespace ParcelKit::Testing {

using namespace std::chrono_literals;

UploadQueueRig::UploadQueueRig() = default;

UploadQueueRig::~UploadQueueRig() {
    stop();
}

UploadOptions UploadQueueRig::fastOptions(qint64 partSize) {
    UploadOptions options = UploadWorkerRig::fastOptions(partSize);
    options.progressInterval = 5ms;
    options.makesPreviews = false;
    return options;
}

UploadOptions UploadQueueRig::oneAtATime() {
    UploadOptions options = fastOptions();
    options.maxConcurrentParts = 1;
    return options;
}

UploadQueue& UploadQueueRig::start(const UploadOptions& options) {
    stop();
    queue = std::make_unique<UploadQueue>(service.api, storeURL(), options, network);
    return *queue;
}

void UploadQueueRig::stop() {
    if (!queue)
        return;
    gate.open();
    await(queue->settled(), 60s);
    queue.reset();
    // The last save may still be on its way to the disk.
    UploadStore(storeURL()).waitForPendingSaves();
}

QString UploadQueueRig::writeFile(const QString& name, qint64 size, int seed) {
    const QString path = dir.filePath(name);
    UploadWorkerRig::writeContent(path, size, seed);
    return path;
}

QByteArray UploadQueueRig::contentOf(const QString& name) const {
    return fileBytes(dir.filePath(name));
}

QUrl UploadQueueRig::urlOf(const QString& name) const {
    return QUrl::fromLocalFile(dir.filePath(name));
}

QList<QUuid> UploadQueueRig::enqueue(const QStringList& names, const QString& workspaceID) {
    QList<QUrl> urls;
    for (const QString& name : names)
        urls.append(urlOf(name));
    return await(queue->enqueue(urls, workspaceID));
}

UploadItem UploadQueueRig::item(const QUuid& id) const {
    for (const auto& item : queue->items()) {
        if (item.id == id)
            return item;
    }
    return {};
}

bool UploadQueueRig::waitUntil(const QUuid& id,
                               const std::function<bool(const UploadItem&)>& condition) {
    return spinUntil([&] { return condition(item(id)); }, 30s);
}

QUuid UploadQueueRig::holdFirstPart(const QString& name, qint64 size) {
    writeFile(name, size);
    gate.close();
    const int held = gate.held();
    const QUuid id = enqueue({name}).first();
    return spinUntil([&] { return gate.held() == held + 1; }) ? id : QUuid();
}

bool UploadQueueRig::waitUntilFinished(const QUuid& id) {
    return waitUntil(id, [](const UploadItem& item) {
        return item.state.kind() == UploadState::Case::finished;
    });
}

std::optional<QByteArray> UploadQueueRig::objectOf(const QUuid& id) const {
    const auto uploadID = item(id).state.uploadID();
    if (!uploadID)
        return std::nullopt;
    return service.fake.object(item(id).workspaceID + '/' + *uploadID);
}

QUrl UploadQueueRig::storeURL() const {
    return QUrl::fromLocalFile(dir.filePath(QStringLiteral("Parcella/uploads.json")));
}

QList<UploadRecord> UploadQueueRig::storedRecords() const {
    if (queue)
        queue->flushSaves();
    return UploadStore(storeURL()).load();
}

void UploadQueueRig::store(const QList<UploadRecord>& records) const {
    const UploadStore store(storeURL());
    store.save(records);
    store.waitForPendingSaves();
}

} // namespace ParcelKit::Testing
