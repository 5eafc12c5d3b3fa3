// The worker against the fake service and storage: fresh uploads compared byte for byte, part
// boundaries, resuming from stored parts, reconciliation with the storage's listing and uploads
// that vanished from storage.
#include "ParcelKitError.h"
#include "TestSupport.h"
#include "UploadRun.h"
#include "UploadWorkerRig.h"

#include <QtTest>

#include <algorithm>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using namespace std::chrono_literals;
using Route = FakeStorageService::Route;

namespace {

QList<int> sorted(QList<int> numbers) {
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

QList<int> numbersOf(const QList<UploadedPart>& parts) {
    QList<int> numbers;
    for (const auto& part : parts)
        numbers.append(part.partNumber);
    return numbers;
}

} // namespace

class tst_UploadWorkerFlow : public QObject {
    Q_OBJECT

private slots:
    void partBoundaries() {
        for (const auto& [size, parts] :
             QList<std::pair<qint64, int>>{{0, 1}, {1024, 1}, {1025, 2}, {3072, 3}, {3073, 4}}) {
            UploadWorkerRig rig;
            rig.service.fake.setMinPartSize(1024);
            const UploadRecord record = rig.makeRecord("data.bin", size);
            const QString id = rig.upload(record);

            auto& fake = rig.service.fake;
            const QString key = QStringLiteral("ws1/") + id;
            QCOMPARE(fake.object(key), fileBytes(record.path));
            QCOMPARE(sorted(fake.storedParts()), sorted(numbersOf(rig.delegate.record.parts)));
            QCOMPARE(fake.storedParts().size(), parts);
            const auto& stored = rig.delegate.record.parts;
            const auto last =
                std::max_element(stored.cbegin(), stored.cend(),
                                 [](auto& a, auto& b) { return a.partNumber < b.partNumber; });
            QCOMPARE(last->size, size - (parts - 1) * 1024);
            QVERIFY(rig.delegate.record.isCompleteInBucket);
            QCOMPARE(rig.delegate.record.objectKey, key);
            QCOMPARE(fake.openUploads(), QStringList());
            QCOMPARE(fake.count(Route::confirm), 1);
            QCOMPARE(rig.budget.inUse(), 0);
        }
    }

    void progressShowsThePartOnTheWire() {
        UploadWorkerRig rig;
        rig.service.fake.setPartDelay(300ms);
        const UploadRecord record = rig.makeRecord("slow.bin", 1024);
        auto running = rig.worker(record).run(record, {});
        // The whole body went out while the storage holds back its answer.
        QVERIFY(spinUntil([&] { return rig.progress.total(record.item.id) == 1024; }));
        QCOMPARE(rig.budget.inUse(), 1024);
        await(std::move(running));
        QCOMPARE(rig.progress.total(record.item.id), 0);
        QCOMPARE(rig.budget.inUse(), 0);
    }

    void listingThatDisownsPartsSendsThemAgain() {
        UploadWorkerRig rig;
        const UploadRecord fresh = rig.makeRecord("disowned.bin", 3 * 1024);
        UploadRecord record = UploadWorkerRig::interrupted(rig.service.fake, fresh, {1});
        auto& fake = rig.service.fake;
        // Part 2 is listed with a wrong size, part 7 lies beyond the file, part 3 the record has
        // but the storage does not list.
        fake.storePart(*record.multipartUploadID, 2, QByteArray(10, 'x'));
        fake.storePart(*record.multipartUploadID, 7, QByteArray(1024, 'x'));
        record.parts.append({3, QStringLiteral("\"lost\""), 1024});

        rig.upload(record);
        QCOMPARE(sorted(fake.storedParts()), (QList<int>{2, 3}));
        QCOMPARE(fake.object("ws1/earlier"), fileBytes(record.path));

        // A listing that holds every part goes straight to completion.
        UploadWorkerRig again;
        const UploadRecord whole = UploadWorkerRig::interrupted(
            again.service.fake, again.makeRecord("whole.bin", 2048), {1, 2});
        again.upload(whole);
        QCOMPARE(again.service.fake.storedParts(), QList<int>{});
        QCOMPARE(again.service.fake.count(Route::complete), 1);
    }

    void recordCompleteInBucketIsOnlyConfirmed() {
        UploadWorkerRig rig;
        const UploadRecord record = rig.makeRecord("done.bin", 2000);
        const QString id = rig.upload(record);
        auto& fake = rig.service.fake;
        const int requests = fake.server().requestCount();

        // The application restarts after completion but before the confirmation arrived.
        const UploadRecord afterRestart = rig.delegate.record;
        QVERIFY(afterRestart.isCompleteInBucket);
        QCOMPARE(rig.upload(afterRestart), id);
        QCOMPARE(fake.server().requestCount(), requests + 1);
        QCOMPARE(fake.count(Route::confirm), 2);
    }

    void vanishedUploadStartsOverOnce() {
        UploadWorkerRig rig;
        const UploadRecord record = UploadWorkerRig::interrupted(
            rig.service.fake, rig.makeRecord("vanished.bin", 2500), {1, 2});
        auto& fake = rig.service.fake;
        fake.forgetUploads();

        const QString id = rig.upload(record);
        // The listing found nothing, the direct confirmation found no object, so it started over.
        QCOMPARE(fake.count(Route::list), 1);
        QCOMPARE(fake.count(Route::confirm), 2);
        QCOMPARE(fake.count(Route::create), 1);
        QCOMPARE(sorted(fake.storedParts()), (QList<int>{1, 2, 3}));
        QVERIFY(id != QStringLiteral("earlier"));
        QCOMPARE(fake.object("ws1/" + id), fileBytes(record.path));
        QCOMPARE(rig.delegate.record.objectKey, "ws1/" + id);
    }

    void vanishedUploadThatWasCompletedIsConfirmed() {
        // The completion took effect but its answer was lost: the retry finds no upload and takes
        // that as done before.
        FakeStorageService::Fault lost = FakeStorageService::Fault::dropped();
        lost.afterEffect = true;
        UploadWorkerRig retried;
        retried.service.fake.fail(Route::complete, lost);
        const UploadRecord first = retried.makeRecord("retried.bin", 2500);
        const QString firstID = retried.upload(first);
        QCOMPARE(retried.service.fake.count(Route::complete), 2);
        QCOMPARE(retried.service.fake.object("ws1/" + firstID), fileBytes(first.path));

        // The run ended there instead; after a restart the storage lists no such upload any more.
        UploadWorkerRig rig;
        const UploadRecord record = rig.makeRecord("lost-answer.bin", 2500);
        auto& fake = rig.service.fake;
        fake.fail(Route::complete, lost);
        fake.fail(Route::complete, FakeStorageService::Fault::answer(403, "AccessDenied"), 10);
        QVERIFY_THROWS_EXCEPTION(ParcelKitError, rig.upload(record));
        UploadRecord afterRestart = rig.delegate.record;
        QVERIFY(!afterRestart.isCompleteInBucket);
        QVERIFY(fake.openUploads().isEmpty());

        const int creates = fake.count(Route::create);
        const QString id = rig.upload(afterRestart);
        QCOMPARE(id, UploadRun::serviceUploadID(afterRestart).value());
        QCOMPARE(fake.count(Route::create), creates);
        QCOMPARE(fake.object("ws1/" + id), fileBytes(record.path));
    }

    void uploadGoneTwiceIsReported() {
        UploadWorkerRig rig;
        const UploadRecord record = rig.makeRecord("gone.bin", 1024);
        rig.service.fake.fail(Route::part, FakeStorageService::Fault::answer(404, "NoSuchUpload"),
                              2);
        try {
            rig.upload(record);
            QFAIL("a vanishing upload succeeded");
        } catch (const ParcelKitError& error) {
            QCOMPARE(error, ParcelKitError::server(
                                404, QStringLiteral("The upload was cancelled on the server.")));
        }
        QCOMPARE(rig.service.fake.count(Route::create), 2);
        // The restart reset the record the queue keeps.
        QCOMPARE(rig.delegate.record.parts, QList<UploadedPart>{});
        QCOMPARE(rig.budget.inUse(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_UploadWorkerFlow)
#include "tst_UploadWorkerFlow.moc"
