// What the queue refuses or holds back so that nothing comes back, is lost or runs unbounded:
// intake outrun by removeAll, part layouts the storage cannot take.
#include "Cancelled.h"
#include "RecordMaker.h"
#include "TestSupport.h"
#include "UploadQueueRig.h"

#include <QDir>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using Case = UploadState::Case;

class tst_UploadQueueGuards : public QObject {
    Q_OBJECT

private slots:
    void removeAllOutrunsAFolderWalk();
    void partLayoutsBeyondTheStorageAreRefused();
    void anUnusablePartSizeStaysRefusedOnRetry();
    void aStoreThatDidNotDecodeIsKeptAside();
    void partsMoveWhileTheGlobalPoolIsBusy();
    void aRetryingItemSaysWhenAndWhy();
};

void tst_UploadQueueGuards::removeAllOutrunsAFolderWalk() {
    UploadQueueRig rig;
    QVERIFY(QDir(rig.dir.path()).mkdir("big"));
    for (int i = 0; i < 300; ++i)
        rig.writeFile(QString("big/%1.bin").arg(i), 1, i);
    rig.writeFile("later.bin", 10);
    UploadQueue& queue = rig.start();

    auto walking = queue.enqueue({rig.urlOf("big")}, "ws1");
    Testing::await(queue.removeAll());
    QVERIFY_THROWS_EXCEPTION(Cancelled, Testing::await(std::move(walking)));
    Testing::await(queue.settled());
    QVERIFY(queue.items().isEmpty());
    QVERIFY(rig.storedRecords().isEmpty());

    // Intake after the removal goes on as usual.
    QCOMPARE(Testing::await(queue.enqueue({rig.urlOf("later.bin")}, "ws1")).size(), 1);
}

void tst_UploadQueueGuards::partLayoutsBeyondTheStorageAreRefused() {
    QTemporaryDir dir;
    QFile file(dir.filePath("a.bin"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    const auto stateWith = [&](qint64 size, std::optional<qint64> partSize) {
        file.resize(size);
        UploadOptions options;
        options.partSizeOverride = partSize;
        return RecordMaker::make(file.fileName(), "ws1", options).item.state;
    };
    QCOMPARE(stateWith(1000, 1), UploadState::queued());
    QCOMPARE(stateWith(3'000'000'000, 3'000'000), UploadState::queued());
    const auto tooMany = [](qint64 smallest) {
        return UploadState::failed(QString("a.bin would need more than 1,000 parts; the part size "
                                           "must be at least %1 bytes for it.")
                                       .arg(smallest));
    };
    QCOMPARE(stateWith(1001, 1), tooMany(2));
    QCOMPARE(stateWith(3'000'000'000, 1), tooMany(3'000'000));
    QCOMPARE(stateWith(3'000'000'001, 3'000'000), tooMany(3'000'001));
    QCOMPARE(stateWith(10, 0),
             UploadState::failed("The part size of an upload must be at least 1 byte."));
}

void tst_UploadQueueGuards::anUnusablePartSizeStaysRefusedOnRetry() {
    UploadQueueRig rig;
    rig.writeFile("a.bin", 10);
    UploadOptions options = UploadQueueRig::fastOptions();
    options.partSizeOverride = -1;
    UploadQueue& queue = rig.start(options);
    const QUuid id = Testing::await(queue.enqueue({rig.urlOf("a.bin")}, "ws1")).value(0);
    const auto refused = UploadState::failed("The part size of an upload must be at least 1 byte.");
    QCOMPARE(rig.item(id).state, refused);
    queue.retry(id);
    QCOMPARE(rig.item(id).state, refused);
    queue.cancel(id);
    queue.retry(id);
    QCOMPARE(rig.item(id).state, refused);
    const auto error = failureOf(queue.uploadIDs({id}));
    QVERIFY(error && error->kind() == ParcelKitError::Kind::validation);
    QCOMPARE(rig.service.fake.count(FakeStorageService::Route::sign), 0);
}

void tst_UploadQueueGuards::aStoreThatDidNotDecodeIsKeptAside() {
    UploadQueueRig rig;
    const QDir folder(rig.dir.filePath("Parcella"));
    QVERIFY(folder.mkpath("."));
    // One record with two states: the whole file fails to decode.
    const QByteArray damaged = R"([{"item":{"state":{"queued":{},"failed":{}}}}])";
    QFile store(rig.storeURL().toLocalFile());
    QVERIFY(store.open(QIODevice::WriteOnly) && store.write(damaged) == damaged.size());
    store.close();
    rig.writeFile("a.bin", 10);

    UploadQueue& queue = rig.start();
    QVERIFY(queue.items().isEmpty());
    Testing::await(queue.enqueue({rig.urlOf("a.bin")}, "ws1"));
    QCOMPARE(rig.storedRecords().size(), 1);
    const QStringList aside = folder.entryList({"uploads.damaged-*.json"});
    QCOMPARE(aside.size(), 1);
    QCOMPARE(fileBytes(folder.filePath(aside.first())), damaged);
}

void tst_UploadQueueGuards::partsMoveWhileTheGlobalPoolIsBusy() {
    UploadQueueRig rig;
    rig.writeFile("a.bin", 3 * 1024 + 5);
    UploadQueue& queue = rig.start();
    const QUuid id = Testing::await(queue.enqueue({rig.urlOf("a.bin")}, "ws1")).value(0);

    // Long folder walks and saves hold every thread of the global pool.
    QThreadPool* global = QThreadPool::globalInstance();
    QSemaphore held;
    const auto release = qScopeGuard([&] {
        held.release(global->maxThreadCount());
        global->waitForDone();
    });
    for (int i = 0; i < global->maxThreadCount(); ++i)
        global->start([&held] { held.acquire(); });
    QVERIFY(rig.waitUntilFinished(id));
    QCOMPARE(rig.objectOf(id), rig.contentOf("a.bin"));
}

void tst_UploadQueueGuards::aRetryingItemSaysWhenAndWhy() {
    UploadQueueRig rig;
    rig.writeFile("a.bin", 100);
    UploadOptions options = UploadQueueRig::fastOptions();
    options.retryDelays = {std::chrono::seconds(8)};
    // Cut after the status line: a passing failure, retried after the delay.
    rig.service.fake.fail(FakeStorageService::Route::sign, FakeStorageService::Fault::dropped(40));
    UploadQueue& queue = rig.start(options);
    const QUuid id = Testing::await(queue.enqueue({rig.urlOf("a.bin")}, "ws1")).value(0);

    QVERIFY(rig.waitUntil(id, [](const UploadItem& item) { return item.retryNotice.has_value(); }));
    QCOMPARE(rig.item(id).state, UploadState::uploading());
    QCOMPARE(rig.item(id).retryNotice,
             std::optional<QString>("retrying in 8 s: The network connection was lost."));
    // A change of the network ends the wait; the retry goes through and the notice goes away.
    queue.nudgeNetwork();
    QVERIFY(rig.waitUntilFinished(id));
    QCOMPARE(rig.item(id).retryNotice, std::nullopt);
}

QTEST_GUILESS_MAIN(tst_UploadQueueGuards)
#include "tst_UploadQueueGuards.moc"
