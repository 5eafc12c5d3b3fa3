#pragma once

#include "PartGate.h"
#include "ServiceHarness.h"
#include "SignalNetworkMonitor.h"
#include "UploadQueue.h"

#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>

namespace ParcelKit::Testing {

// An upload queue against the fake service and storage, with files and "uploads.json" in a
// temporary folder, a network monitor driven by hand and a gate on part answers.
class UploadQueueRig {
public:
    UploadQueueRig();
    // Opens the gate and lets the queue settle before anything it uses goes away.
    ~UploadQueueRig();

    // Tiny parts and waits keep the tests fast; a few retries only.
    static UploadOptions fastOptions(qint64 partSize = 1024);
    // The same, one part at a time.
    static UploadOptions oneAtATime();

    // Creates the queue (restoring from the store); a second call replaces it, as a restart does.
    UploadQueue& start(const UploadOptions& options = fastOptions());
    // Lets every task of the queue end, then destroys it.
    void stop();

    // Writes a file of `size` deterministic bytes (differing by `seed`) and returns its path.
    QString writeFile(const QString& name, qint64 size, int seed = 0);
    QByteArray contentOf(const QString& name) const;
    QUrl urlOf(const QString& name) const;

    QList<QUuid> enqueue(const QStringList& names, const QString& workspaceID = "ws1");
    // Adds a new file of `size` bytes with the gate closed and waits until its first part is
    // held there; a null id when it never arrives.
    QUuid holdFirstPart(const QString& name, qint64 size);
    // The item as the list shows it now; a default item when it is not there.
    UploadItem item(const QUuid& id) const;
    bool waitUntil(const QUuid& id, const std::function<bool(const UploadItem&)>& condition);
    bool waitUntilFinished(const QUuid& id);
    // The object the storage assembled for a finished item.
    std::optional<QByteArray> objectOf(const QUuid& id) const;

    QUrl storeURL() const;
    // What "uploads.json" holds once every save handed over so far has been written.
    QList<UploadRecord> storedRecords() const;
    void store(const QList<UploadRecord>& records) const;

    ServiceHarness service;
    PartGate gate{service.fake.server()};
    std::shared_ptr<SignalNetworkMonitor> network = std::make_shared<SignalNetworkMonitor>();
    QTemporaryDir dir;
    std::unique_ptr<UploadQueue> queue;
};

} // namespace ParcelKit::Testing
