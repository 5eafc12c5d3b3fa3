// Cancel, retry and remove while uploads run: what each accepts, and that a stopped or replaced
// run can change nothing any more; removeAll outruns a folder walk still adding items. Pausing by
// the user and by a metered network, across a restart too. Waiting for upload ids: answers,
// failures and cancellation.
#include "Cancelled.h"
#include "FileChangedError.h"
#include "TestSupport.h"
#include "UploadQueueRig.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <vector>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using namespace std::chrono_literals;
using Case = UploadState::Case;
using Route = FakeStorageService::Route;

class tst_UploadQueueRaces : public QObject {
    Q_OBJECT

private slots:
    void actionsApplyOnlyToTheirStates() {
        UploadQueueRig rig;
        UploadQueue& queue = rig.start();
        rig.writeFile("done.bin", 100);
        rig.writeFile("busy.bin", 100);
        const QUuid done = rig.enqueue({"done.bin"}).first();
        QVERIFY(rig.waitUntilFinished(done));
        rig.gate.close();
        const QUuid busy = rig.enqueue({"busy.bin"}).first();
        QVERIFY(spinUntil([&] { return rig.gate.held() == 1; }));

        QSignalSpy changes(&queue, &UploadQueue::itemsChanged);
        const QList<UploadItem> before = queue.items();
        queue.remove(busy);
        queue.retry(busy);
        queue.retry(done);
        queue.cancel(done);
        queue.remove(QUuid::createUuid());
        queue.cancel(QUuid::createUuid());
        QCOMPARE(queue.items(), before);
        QCOMPARE(changes.count(), 0);

        queue.cancel(busy);
        QCOMPARE(rig.item(busy).state, UploadState::cancelled());
        QCOMPARE(changes.count(), 1);
        queue.remove(busy);
        queue.remove(done);
        QVERIFY(queue.items().isEmpty());
        QCOMPARE(changes.count(), 3);
    }
    void aStoppedRunChangesNothing() {
        UploadQueueRig rig;
        UploadQueue& queue = rig.start(UploadQueueRig::oneAtATime());
        const QUuid id = rig.holdFirstPart("a.bin", 2000);
        const auto firstKey = rig.storedRecords().first().objectKey;
        QVERIFY(firstKey);

        // A change from a run that is not the item's current one is dropped without a save.
        const QList<UploadRecord> stored = rig.storedRecords();
        auto forged = [](UploadRecord& record) {
            record.parts.append({9, "\"forged\"", 1});
            record.item.state = UploadState::finished("forged");
        };
        queue.updateRecord(id, QUuid::createUuid(), forged);
        QCOMPARE(rig.storedRecords(), stored);
        QCOMPARE(rig.item(id).state, UploadState::uploading());

        // Cancelled while its part is on the wire, then retried: the first run's outcome arrives
        // late and is ignored; the second run starts from scratch and finishes.
        queue.cancel(id);
        queue.retry(id);
        QCOMPARE(rig.item(id).state, UploadState::uploading());
        rig.gate.open();
        QVERIFY(rig.waitUntilFinished(id));
        await(queue.settled());
        QCOMPARE(rig.item(id).state.kind(), Case::finished);
        QCOMPARE(rig.objectOf(id), rig.contentOf("a.bin"));
        const UploadRecord final = rig.storedRecords().first();
        QVERIFY(final.objectKey != firstKey);
        QCOMPARE(final.parts.size(), 2);
        QVERIFY(rig.service.fake.openUploads().isEmpty());
    }
    void removeAllOutrunsAFolderWalk() {
        UploadQueueRig rig;
        QVERIFY(QDir(rig.dir.path()).mkdir("big"));
        QVERIFY(QDir(rig.dir.path()).mkdir("empty"));
        for (int i = 0; i < 300; ++i)
            rig.writeFile(QString("big/%1.bin").arg(i), 1, i);
        rig.writeFile("small.bin", 10);
        UploadQueue& queue = rig.start();
        // A prior intake leaves a pool thread awake, which often ends a short walk before enqueue
        // returns: each round hands one over alone, then the large folder with a call behind it.
        QCOMPARE(rig.enqueue({"small.bin"}).size(), 1);
        for (int round = 0; round < 20; ++round) {
            const QString quick = round % 2 ? "small.bin" : "empty";
            std::vector<QCoro::Task<QList<QUuid>>> calls;
            for (const QString& name : {quick, QString("big"), quick})
                calls.push_back(queue.enqueue({rig.urlOf(name)}, "ws1"));
            Testing::await(queue.removeAll());
            for (auto& call : calls)
                QVERIFY_THROWS_EXCEPTION(Cancelled, Testing::await(std::move(call)));
        }
        Testing::await(queue.settled());
        QVERIFY(queue.items().isEmpty());
        QVERIFY(rig.storedRecords().isEmpty());

        // Intake after the removal goes on as usual.
        QCOMPARE(rig.enqueue({"small.bin"}).size(), 1);
    }
    void uploadIDsFailWithTheItemsError() {
        UploadQueueRig rig;
        UploadQueue& queue = rig.start(UploadQueueRig::oneAtATime());
        const QUuid id = rig.holdFirstPart("changing.bin", 2000);
        auto waiting = begin(queue.uploadIDs({id}));

        // The file shrinks while its first part is on the wire.
        QVERIFY(QFile::resize(rig.dir.filePath("changing.bin"), 1500));
        rig.gate.open();
        QVERIFY(spinUntil([&] { return waiting->done.load(); }));
        const QString message = "changing.bin was changed while it uploaded.";
        QCOMPARE(rig.item(id).state, UploadState::failed(message));
        QCOMPARE(waiting->failure<ParcelKitError>(), ParcelKitError::fileUnavailable(message));
        // The stored parts belong to the old content: the record starts over and the storage
        // forgets the multipart upload.
        const UploadRecord stored = rig.storedRecords().first();
        QVERIFY(!stored.objectKey && !stored.multipartUploadID && stored.parts.isEmpty());
        QCOMPARE(stored.item.bytesSent, 0);
        QVERIFY(spinUntil([&] { return rig.service.fake.openUploads().isEmpty(); }));

        // An item that failed when it was added has no error of its own: its message travels as a
        // network error.
        const QUuid ghost = rig.enqueue({"ghost.bin"}).first();
        auto ghostWait = begin(queue.uploadIDs({ghost}));
        QVERIFY(ghostWait->done);
        QCOMPARE(ghostWait->failure<ParcelKitError>(),
                 ParcelKitError::network("ghost.bin can no longer be found."));
    }
    void uploadIDsEndWhenAnItemIsCancelledOrMissingOrTheCallerStops() {
        UploadQueueRig rig;
        UploadQueue& queue = rig.start();
        rig.writeFile("a.bin", 100);
        rig.gate.close();
        const QUuid id = rig.enqueue({"a.bin"}).first();
        auto waiting = begin(queue.uploadIDs({id}));
        auto alsoWaiting = begin(queue.uploadIDs({id, id}));
        queue.cancel(id);
        QVERIFY(spinUntil([&] { return waiting->done && alsoWaiting->done; }));
        QVERIFY(waiting->failure<Cancelled>());
        QVERIFY(alsoWaiting->failure<Cancelled>());

        // The first id that cannot finish decides, even with a pending one before it.
        queue.retry(id);
        auto missing = begin(queue.uploadIDs({id, QUuid::createUuid()}));
        QVERIFY(missing->done);
        QVERIFY(missing->failure<Cancelled>());

        // A cancelled caller stops waiting.
        std::stop_source caller;
        auto stopped = begin(queue.uploadIDs({id}, caller.get_token()));
        caller.request_stop();
        QVERIFY(spinUntil([&] { return stopped->done.load(); }));
        QVERIFY(stopped->failure<Cancelled>());

        // Already cancelled before waiting: ends at once, unless the answer is ready.
        auto late = begin(queue.uploadIDs({id}, caller.get_token()));
        QVERIFY(spinUntil([&] { return late->done.load(); }));
        QVERIFY(late->failure<Cancelled>());
        rig.gate.open();
        QVERIFY(rig.waitUntilFinished(id));
        QCOMPARE(await(queue.uploadIDs({id}, caller.get_token())).size(), 1);
    }
    void pausedUploadsSendOnlyTheirMissingParts_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("paused and resumed") << "pause";
        QTest::newRow("paused, restarted and resumed") << "restart";
        QTest::newRow("held while the network is metered") << "metered";
    }
    void pausedUploadsSendOnlyTheirMissingParts() {
        QFETCH(QString, how);
        UploadQueueRig rig;
        rig.start(UploadQueueRig::oneAtATime()).setPausesOnMeteredNetworks(true);
        rig.writeFile("big.bin", 10 * 1024, 1);
        rig.writeFile("paused.bin", 100, 2);
        // At 40 %: the fourth part is in storage, its answer not yet with the client.
        rig.service.fake.onPartStored([&rig](int part) {
            if (part == 4)
                rig.gate.close();
        });
        const QUuid id = rig.enqueue({"big.bin"}).first();
        QVERIFY(spinUntil([&] { return rig.gate.held() == 1; }));
        if (how == "metered")
            rig.network->setMetered(true);
        else
            rig.queue->pause(id);
        rig.gate.open();
        QCOMPARE(rig.item(id).bytesSent, 3 * 1024);
        QCOMPARE(rig.queue->isHeldByMeteredNetwork(), how == "metered");
        if (how == "restart") {
            rig.start(UploadQueueRig::oneAtATime());
            QVERIFY(!fileBytes(rig.storeURL().toLocalFile()).contains("aused"));
        }
        QCOMPARE(rig.item(id).state, UploadState::queued());
        QCOMPARE(rig.item(id).isPaused, how != "metered");
        // A file the user pauses while the network holds everything stays paused after it.
        const QUuid paused = how == "metered" ? rig.enqueue({"paused.bin"}).first() : QUuid();
        rig.queue->pause(paused);

        // A pending send waits, neither failing nor ending.
        auto waiting = begin(rig.queue->uploadIDs({id}));
        QVERIFY(!waiting->done);
        if (how == "metered")
            rig.network->setMetered(false);
        else
            rig.queue->resume(id);
        QVERIFY(spinUntil([&] { return waiting->done.load(); }));
        QCOMPARE(*waiting->value, QStringList{*rig.item(id).state.uploadID()});
        QCOMPARE(rig.objectOf(id), rig.contentOf("big.bin"));
        QCOMPARE(rig.service.fake.count(Route::part), 10);
        if (how == "metered")
            QVERIFY(rig.item(paused).isPaused && rig.item(paused).state == UploadState::queued());
    }
};

QTEST_GUILESS_MAIN(tst_UploadQueueRaces)
#include "tst_UploadQueueRaces.moc"
