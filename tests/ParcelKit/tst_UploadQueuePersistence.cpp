// What the queue keeps in "uploads.json" and what it makes of it after a restart: saves follow
// every change of state, record and list, the last ones too when the queue ends; restored uploads
// resume with only their missing parts; cancelled items do not come back; the items signal fires
// only on real changes.
#include "TestSupport.h"
#include "UploadQueueRig.h"
#include "UploadWorkerRig.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using namespace std::chrono_literals;
using Case = UploadState::Case;

namespace {

UploadRecord recordOf(UploadQueueRig& rig, const QString& name, const UploadState& state) {
    return UploadWorkerRig::recordOf(rig.dir.filePath(name), state, 1024);
}

} // namespace

class tst_UploadQueuePersistence : public QObject {
    Q_OBJECT

private slots:
    void restoredUploadsResumeWithTheirMissingParts() {
        UploadQueueRig rig;
        rig.writeFile("first.bin", 500, 1);
        rig.writeFile("resumed.bin", 4 * 1024 - 100, 2);
        rig.writeFile("done.bin", 10, 3);
        const QByteArray resumedBytes = rig.contentOf("resumed.bin");

        // An earlier run stored two parts of "resumed.bin" before the application quit.
        UploadRecord resumed = UploadWorkerRig::interrupted(
            rig.service.fake, recordOf(rig, "resumed.bin", UploadState::uploading()), {1, 2});
        resumed.item.bytesSent = 3000;
        UploadRecord done = recordOf(rig, "done.bin", UploadState::finished("u-done"));
        done.item.bytesSent = 10;
        done.item.finishedAt = Timestamp::now();
        const UploadRecord failed = recordOf(rig, "gone.bin", UploadState::failed("gone"));
        const UploadRecord first = recordOf(rig, "first.bin", UploadState::queued());
        rig.store({first, resumed, done, failed});

        UploadOptions options = UploadQueueRig::fastOptions();
        options.maxConcurrentFiles = 1;
        rig.gate.close();
        UploadQueue& queue = rig.start(options);
        const QList<UploadItem>& items = queue.items();
        QCOMPARE(items.size(), 4);
        QCOMPARE(items[0].state, UploadState::uploading());
        QCOMPARE(items[1].state, UploadState::queued());
        QCOMPARE(items[1].bytesSent, 2048);
        QCOMPARE(items[2], done.item);
        QCOMPARE(items[3], failed.item);

        rig.gate.open();
        QVERIFY(rig.waitUntilFinished(resumed.item.id));
        QCOMPARE(rig.item(resumed.item.id).state, UploadState::finished("earlier"));
        QCOMPARE(rig.service.fake.object("ws1/earlier"), resumedBytes);
        QCOMPARE(rig.service.fake.count(FakeStorageService::Route::create), 1);
        // Across both uploads only the first file's part and the two missing parts were sent.
        QList<int> sent = rig.service.fake.storedParts();
        std::sort(sent.begin() + 1, sent.end());
        QCOMPARE(sent, (QList<int>{1, 3, 4}));
        QCOMPARE(rig.item(done.item.id), done.item);
    }
    void savesFollowChanges() {
        UploadQueueRig rig;
        UploadQueue& queue = rig.start(UploadQueueRig::oneAtATime());
        const QUuid id = rig.holdFirstPart("a.bin", 1500);
        // The first part is stored and its bytes are counted in flight; the file knows the upload
        // (saved when it started and when the multipart upload was created) but not the part.
        QVERIFY(spinUntil([&] { return rig.item(id).bytesSent == 1024; }));
        // A new multipart upload does not wait for the next save (read without flushing first).
        QVERIFY(UploadStore(rig.storeURL()).load().first().multipartUploadID);
        UploadRecord stored = rig.storedRecords().first();
        QCOMPARE(stored.item.state, UploadState::uploading());
        QVERIFY(stored.objectKey);
        QVERIFY(stored.parts.isEmpty());

        rig.gate.open();
        QVERIFY(rig.waitUntilFinished(id));
        stored = rig.storedRecords().first();
        QCOMPARE(stored.item, rig.item(id));
        QCOMPARE(stored.parts.size(), 2);
        QVERIFY(stored.isCompleteInBucket);

        // Saves wait for the end of the turn: the destructor writes what is still waiting.
        queue.remove(id);
        rig.queue.reset();
        QVERIFY(rig.storedRecords().isEmpty());
    }
    void cancelledItemsDoNotComeBack() {
        UploadQueueRig rig;
        UploadQueue& queue = rig.start();
        rig.writeFile("kept.bin", 100);
        rig.writeFile("dropped.bin", 100);
        rig.gate.close();
        const QList<QUuid> ids = rig.enqueue({"kept.bin", "dropped.bin"});
        queue.cancel(ids[1]);
        QCOMPARE(rig.storedRecords().size(), 1);
        queue.retry(ids[1]);
        QCOMPARE(rig.storedRecords().size(), 2);
        queue.cancel(ids[1]);

        rig.start();
        QCOMPARE(rig.queue->items().size(), 1);
        QCOMPARE(rig.queue->items().first().id, ids[0]);
        QVERIFY(rig.waitUntilFinished(ids[0]));
    }
    void itemsSignalFiresOnlyOnRealChanges() {
        UploadQueueRig rig;
        UploadOptions options = UploadQueueRig::fastOptions();
        options.progressInterval = 1ms;
        UploadQueue& queue = rig.start(options);
        rig.writeFile("a.bin", 1000);
        rig.gate.close();
        QSignalSpy changes(&queue, &UploadQueue::itemsChanged);
        const QUuid id = rig.enqueue({"a.bin"}).first();
        // Added and started in one step: one announcement.
        QCOMPARE(changes.count(), 1);
        QVERIFY(spinUntil([&] { return rig.item(id).bytesSent == 1000; }));
        const qsizetype announced = changes.count();
        QVERIFY(announced >= 2);

        // Ticks that find nothing new announce nothing, however many of them run.
        spinUntil([] { return false; }, 200ms);
        QCOMPARE(changes.count(), announced);

        rig.gate.open();
        QVERIFY(rig.waitUntilFinished(id));
        QCOMPARE(changes.count(), announced + 1);
    }
    void aStoreThatDidNotDecodeIsKeptAside() {
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
};

QTEST_GUILESS_MAIN(tst_UploadQueuePersistence)
#include "tst_UploadQueuePersistence.moc"
