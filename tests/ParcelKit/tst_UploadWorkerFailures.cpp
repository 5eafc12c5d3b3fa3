// How the worker meets failures: passing ones retried, refusals retried a bounded number of times,
// completion rejections, confirmations that keep answering 409, losing the network in the middle
// of a part, and files that change while they upload.
#include "FileChangedError.h"
#include "ParcelKitError.h"
#include "TestSupport.h"
#include "UploadWorkerRig.h"

#include <QFile>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using namespace std::chrono_literals;
using Route = FakeStorageService::Route;
using Fault = FakeStorageService::Fault;

namespace {

// The error a run ended with, rethrown as the given type; fails the test when it succeeded.
template <typename E>
std::optional<E> failureOf(UploadWorkerRig& rig, const UploadRecord& record,
                           const UploadOptions& options = UploadWorkerRig::fastOptions()) {
    try {
        rig.upload(record, options);
    } catch (const E& error) {
        return error;
    }
    return std::nullopt;
}

void touch(const QString& path) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {1'000'000'000, 0}};
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

} // namespace

class tst_UploadWorkerFailures : public QObject {
    Q_OBJECT

private slots:
    void passingFailuresAreRetried() {
        UploadWorkerRig rig;
        auto& fake = rig.service.fake;
        fake.fail(Route::sign, Fault::answer(503));
        fake.fail(Route::create, Fault::answer(500, "InternalError"));
        fake.fail(Route::part, Fault::answer(503, "SlowDown"));
        fake.fail(Route::part, Fault::dropped());
        fake.fail(Route::part, Fault::answer(429));
        // A 200 that carries an error document is no success, but a refusal that is retried once.
        fake.fail(Route::complete, Fault::answer(200, "InternalError"));
        fake.fail(Route::complete, Fault::dropped());
        fake.fail(Route::confirm, Fault::answer(502));
        UploadOptions options = UploadWorkerRig::fastOptions();
        options.maxRetries = 1;
        const UploadRecord record = rig.makeRecord("flaky.bin", 3000);

        const QString id = rig.upload(record, options);
        QCOMPARE(fake.object("ws1/" + id), fileBytes(record.path));
        QCOMPARE(fake.count(Route::create), 2);
        QCOMPARE(fake.count(Route::part), 6);
        QCOMPARE(fake.count(Route::complete), 3);
        QCOMPARE(fake.count(Route::confirm), 2);
        QCOMPARE(rig.budget.inUse(), 0);
    }

    void refusalsAreRetriedMaxRetriesTimes() {
        UploadWorkerRig rig;
        auto& fake = rig.service.fake;
        fake.fail(Route::part, Fault::answer(403, "AccessDenied", "Request has expired"), 10);
        const UploadRecord record = rig.makeRecord("refused.bin", 1000);
        const auto error = failureOf<ParcelKitError>(rig, record);
        QVERIFY(error);
        QCOMPARE(*error, ParcelKitError::server(403, QStringLiteral("Request has expired")));
        QCOMPARE(fake.count(Route::part), 4);
        // Every attempt signs anew: one start and four parts.
        QCOMPARE(fake.count(Route::sign), 5);
        QCOMPARE(rig.budget.inUse(), 0);
        QCOMPARE(rig.progress.total(record.item.id), 0);
    }

    void completionRejectionsEndTheRun() {
        UploadWorkerRig rig;
        auto& fake = rig.service.fake;
        fake.setMinPartSize(5 * 1024 * 1024);
        const auto tooSmall = failureOf<ParcelKitError>(rig, rig.makeRecord("small.bin", 2048));
        QVERIFY(tooSmall);
        QCOMPARE(*tooSmall, ParcelKitError::server(400, QStringLiteral("Part 1 is too small.")));
        QCOMPARE(fake.count(Route::complete), 1);

        fake.setMinPartSize(0);
        fake.fail(Route::complete, Fault::answer(400, "InvalidPart", "One part is missing."));
        const auto invalid = failureOf<ParcelKitError>(rig, rig.makeRecord("invalid.bin", 2048));
        QVERIFY(invalid);
        QCOMPARE(*invalid, ParcelKitError::server(400, QStringLiteral("One part is missing.")));
        QCOMPARE(fake.count(Route::complete), 2);

        // The same rejection with a passing status is retried.
        fake.fail(Route::complete, Fault::answer(503, "InvalidPartOrder"));
        const UploadRecord record = rig.makeRecord("order.bin", 2048);
        QCOMPARE(fake.object("ws1/" + rig.upload(record)), fileBytes(record.path));
    }

    void confirmationPollsWhileTheServiceAnswers409() {
        UploadWorkerRig rig;
        auto& fake = rig.service.fake;
        fake.fail(Route::confirm, Fault::answer(409), 5);
        UploadOptions options = UploadWorkerRig::fastOptions();
        // Long enough that no round trip on a busy machine passes for a wait.
        options.confirmDelay = 300ms;
        const UploadRecord record = rig.makeRecord("pending.bin", 1500);
        const QString id = rig.upload(record, options);
        QCOMPARE(fake.count(Route::confirm), 6);
        QCOMPARE(fake.count(Route::create), 1);
        QCOMPARE(fake.object("ws1/" + id), fileBytes(record.path));
        for (const auto gap : gapsBetween(fake.requests(Route::confirm)))
            QVERIFY2(gap >= 300ms, qPrintable(QString::number(gap.count())));
    }

    void confirmationThatNeverSucceedsStartsOverOnce() {
        UploadWorkerRig rig;
        auto& fake = rig.service.fake;
        fake.fail(Route::confirm, Fault::answer(409), 6);
        const UploadRecord record = rig.makeRecord("late.bin", 1500);
        const QString id = rig.upload(record);
        QCOMPARE(fake.count(Route::create), 2);
        QCOMPARE(fake.count(Route::confirm), 7);
        QCOMPARE(rig.delegate.record.objectKey, "ws1/" + id);

        UploadWorkerRig never;
        never.service.fake.fail(Route::confirm, Fault::answer(409), 12);
        const auto error = failureOf<ParcelKitError>(never, never.makeRecord("never.bin", 100));
        QVERIFY(error);
        QCOMPARE(*error, ParcelKitError::server(
                             404, QStringLiteral("The upload was cancelled on the server.")));
        QCOMPARE(never.service.fake.count(Route::create), 2);
    }

    void goingOfflineMidPartWaitsAndSendsThePartAgain() {
        UploadWorkerRig rig;
        auto& fake = rig.service.fake;
        Fault cut = Fault::dropped();
        cut.delay = 200ms;
        fake.fail(Route::part, cut);
        UploadOptions options = UploadWorkerRig::fastOptions();
        // Were the failure counted as an online one, the hour-long delay would hold the retry back.
        options.retryDelays = {1h};
        const UploadRecord record = rig.makeRecord("offline.bin", 1024);
        auto running = rig.worker(record, options).run(record, {});

        QVERIFY(spinUntil([&] { return fake.count(Route::part) == 1; }));
        rig.network.signal().setOnline(false);
        QVERIFY(spinUntil([&] { return rig.network.signal().onlineWaiterCount() == 1; }));
        QCOMPARE(fake.count(Route::part), 1);
        QCOMPARE(rig.progress.total(record.item.id), 0);
        QCOMPARE(rig.budget.inUse(), 0);

        rig.network.signal().setOnline(true);
        const QString id = await(std::move(running), 10s);
        QCOMPARE(fake.count(Route::part), 2);
        QCOMPARE(fake.object("ws1/" + id), fileBytes(record.path));
    }

    void fileChangedDuringUpload() {
        // Touched, then truncated.
        for (const bool truncate : {false, true}) {
            UploadWorkerRig rig;
            const UploadRecord record = rig.makeRecord("changing.bin", 3 * 1024);
            const QByteArray path = QFile::encodeName(record.path);
            rig.service.fake.onPartStored([&](int) {
                if (truncate)
                    ::truncate(path.constData(), 1500);
                else
                    touch(record.path);
            });
            UploadOptions options = UploadWorkerRig::fastOptions();
            options.maxConcurrentParts = 1;
            const auto error = failureOf<FileChangedError>(rig, record, options);
            QVERIFY(error);
            QCOMPARE(error->message(),
                     QStringLiteral("changing.bin was changed while it uploaded."));
            QCOMPARE(rig.service.fake.storedParts(), QList<int>{1});
            QCOMPARE(rig.delegate.record.parts.size(), 1);
            QCOMPARE(rig.budget.inUse(), 0);
        }
    }
};

QTEST_GUILESS_MAIN(tst_UploadWorkerFailures)
#include "tst_UploadWorkerFailures.moc"
