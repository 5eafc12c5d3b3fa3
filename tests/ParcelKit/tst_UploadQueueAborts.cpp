// Multipart uploads that will never be completed are aborted in the storage: on cancel, on
// removing a failed item and at sign-out (removeAll); at most three attempts, passing failures
// only, silently.
#include "TestSupport.h"
#include "UploadQueueRig.h"

#include <QSignalSpy>
#include <QtTest>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using namespace std::chrono_literals;
using Case = UploadState::Case;
using Route = FakeStorageService::Route;
using Fault = FakeStorageService::Fault;

class tst_UploadQueueAborts : public QObject {
    Q_OBJECT

private slots:
    void cancelAbortsTheMultipartUpload() {
        UploadQueueRig rig;
        UploadQueue& queue = rig.start();
        const QUuid id = rig.holdFirstPart("a.bin", 100);
        QCOMPARE(rig.service.fake.openUploads().size(), 1);

        queue.cancel(id);
        rig.gate.open();
        await(queue.settled());
        QVERIFY(rig.service.fake.openUploads().isEmpty());
        QCOMPARE(rig.service.fake.count(Route::abort), 1);

        // Removing the cancelled item does not abort a second time.
        queue.remove(id);
        await(queue.settled());
        QCOMPARE(rig.service.fake.count(Route::abort), 1);
    }
    void abortGivesUpAfterThreeAttempts() {
        UploadQueueRig rig;
        UploadQueue& queue = rig.start();
        const QUuid id = rig.holdFirstPart("a.bin", 100);
        const int signedBefore = rig.service.fake.count(Route::sign);
        rig.service.fake.fail(Route::sign, Fault::dropped(), 5);

        // Three signing attempts lost to dropped connections, 1 s and 2 s apart; then nothing.
        queue.cancel(id);
        rig.gate.open();
        await(queue.settled(), 20s);
        const QList<RecordedRequest> signs =
            rig.service.fake.requests(Route::sign).mid(signedBefore);
        QCOMPARE(signs.size(), 3);
        const auto gaps = gapsBetween(signs);
        QVERIFY2(
            gaps[0] >= 1s && gaps[1] >= 2s,
            qPrintable(QStringLiteral("%1 ms, %2 ms").arg(gaps[0].count()).arg(gaps[1].count())));
        QCOMPARE(rig.service.fake.count(Route::abort), 0);
        QCOMPARE(rig.service.fake.openUploads().size(), 1);
        QCOMPARE(rig.item(id).state, UploadState::cancelled());
    }
    void onlyPassingFailuresAreTriedAgain() {
        UploadQueueRig rig;
        UploadQueue& queue = rig.start();

        // A busy service is asked again after a second.
        const QUuid busy = rig.holdFirstPart("busy.bin", 100);
        int signs = rig.service.fake.count(Route::sign);
        rig.service.fake.fail(Route::sign, Fault::answer(503));
        queue.cancel(busy);
        rig.gate.open();
        await(queue.settled());
        const auto asked = rig.service.fake.requests(Route::sign).mid(signs);
        QCOMPARE(asked.size(), 2);
        QVERIFY(gapsBetween(asked).first() >= 1s);
        QCOMPARE(rig.service.fake.count(Route::abort), 1);
        QVERIFY(rig.service.fake.openUploads().isEmpty());

        // A refusal ends it at once.
        const QUuid refused = rig.holdFirstPart("refused.bin", 100);
        signs = rig.service.fake.count(Route::sign);
        rig.service.fake.fail(Route::sign, Fault::answer(403));
        queue.cancel(refused);
        rig.gate.open();
        await(queue.settled());
        QCOMPARE(rig.service.fake.count(Route::sign) - signs, 1);
        QCOMPARE(rig.service.fake.openUploads().size(), 1);

        // Any answer of the storage ends it, whatever its status.
        queue.remove(refused);
        const QUuid answered = rig.holdFirstPart("answered.bin", 100);
        rig.service.fake.fail(Route::abort, Fault::answer(500, QStringLiteral("InternalError")));
        queue.cancel(answered);
        rig.gate.open();
        await(queue.settled());
        QCOMPARE(rig.service.fake.count(Route::abort), 2);
        QCOMPARE(rig.service.fake.openUploads().size(), 2);
    }
    void removingAFailedItemAbortsItsUpload() {
        UploadQueueRig rig;
        UploadQueue& queue = startImpatient(rig);
        rig.writeFile("done.bin", 100);
        const QUuid done = rig.enqueue({"done.bin"}).first();
        QVERIFY(rig.waitUntilFinished(done));
        const QUuid failed = failUpload(rig, "failed.bin");
        QCOMPARE(rig.item(failed).state.kind(), Case::failed);
        // A failed item keeps its multipart upload, so that a retry resumes it.
        QVERIFY(rig.storedRecords().last().multipartUploadID);
        QCOMPARE(rig.service.fake.openUploads().size(), 1);

        // Both go in one change; an unknown id is passed over.
        QSignalSpy changes(&queue, &UploadQueue::itemsChanged);
        queue.remove(QList<QUuid>{done, QUuid::createUuid(), failed});
        QCOMPARE(changes.count(), 1);
        await(queue.settled());
        QVERIFY(queue.items().isEmpty());
        QCOMPARE(rig.service.fake.count(Route::abort), 1);
        QVERIFY(rig.service.fake.openUploads().isEmpty());
    }
    void removeAllStopsEverything() {
        UploadQueueRig rig;
        UploadQueue& queue = startImpatient(rig);
        rig.writeFile("done.bin", 100);
        const QUuid done = rig.enqueue({"done.bin"}).first();
        QVERIFY(rig.waitUntilFinished(done));
        failUpload(rig, "failed.bin");
        const QUuid running = rig.holdFirstPart("running.bin", 100);
        QCOMPARE(rig.service.fake.openUploads().size(), 2);

        const auto waiting = begin(queue.uploadIDs({running}));
        QSignalSpy changes(&queue, &UploadQueue::itemsChanged);

        await(queue.removeAll());
        QVERIFY(queue.items().isEmpty());
        QCOMPARE(changes.count(), 1);
        QVERIFY(rig.storedRecords().isEmpty());
        QVERIFY(rig.service.fake.openUploads().isEmpty());
        QCOMPARE(rig.service.fake.count(Route::abort), 2);
        QVERIFY(spinUntil([&] { return waiting->done.load(); }));
        QVERIFY(waiting->failure<Cancelled>());
        rig.gate.open();
        await(queue.settled());
        QVERIFY(queue.items().isEmpty());
    }

private:
    // A queue whose workers give up on the first refusal of the storage.
    static UploadQueue& startImpatient(UploadQueueRig& rig) {
        UploadOptions options = UploadQueueRig::fastOptions();
        options.maxRetries = 0;
        return rig.start(options);
    }
    // Makes an item fail with its multipart upload still open: the storage refuses its part.
    static QUuid failUpload(UploadQueueRig& rig, const QString& name) {
        rig.writeFile(name, 100);
        rig.service.fake.fail(Route::part, Fault::answer(403, QStringLiteral("AccessDenied")));
        const QUuid id = rig.enqueue({name}).first();
        rig.waitUntil(id, [](const UploadItem& item) { return item.state.kind() == Case::failed; });
        return id;
    }
};

QTEST_GUILESS_MAIN(tst_UploadQueueAborts)
#include "tst_UploadQueueAborts.moc"
