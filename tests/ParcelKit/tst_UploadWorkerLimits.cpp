// The worker's bounds: part bytes held in memory stay within the shared byte budget while several
// files upload, a cancelled run leaves nothing behind, and files that are too large are refused
// before anything is sent.
#include "ParcelKitError.h"
#include "PartLayout.h"
#include "TestSupport.h"
#include "UploadWorkerRig.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <vector>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using namespace std::chrono_literals;
using Route = FakeStorageService::Route;

namespace {

int openDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot).size());
}

} // namespace

class tst_UploadWorkerLimits : public QObject {
    Q_OBJECT

private slots:
    void severalFilesStayWithinTheBudget() {
        // Three files of 1 KiB parts, three lanes each, against two parts' worth of budget.
        UploadWorkerRig rig(2048);
        rig.service.fake.setPartDelay(40ms);
        QList<UploadRecord> records;
        std::vector<QCoro::Task<QString>> runs;
        for (int i = 0; i < 3; ++i) {
            records.append(rig.makeRecord(QStringLiteral("file%1.bin").arg(i), 8 * 1024 - i));
            // Runs the rig's delegate does not know: only the bytes in memory matter here.
            const UploadRecord& record = records.last();
            runs.push_back(UploadWorker(record.item.id, QUuid::createUuid(), "ws1", rig.service.api,
                                        UploadWorkerRig::fastOptions(), rig.network, rig.progress,
                                        rig.budget, rig.delegate)
                               .run(record, {}));
        }
        QStringList ids;
        for (auto& run : runs)
            ids.append(await(std::move(run), 30s));

        for (int i = 0; i < 3; ++i)
            QCOMPARE(rig.service.fake.object("ws1/" + ids[i]), fileBytes(records[i].path));
        QVERIFY(rig.service.fake.peakPartBytes() > 0);
        QVERIFY2(rig.service.fake.peakPartBytes() <= 2048,
                 qPrintable(QString::number(rig.service.fake.peakPartBytes())));
        QCOMPARE(rig.budget.inUse(), 0);
        QCOMPARE(rig.budget.waiterCount(), 0);
    }

    void partLargerThanTheBudgetStillGoesAlone() {
        UploadWorkerRig rig(500);
        rig.service.fake.setPartDelay(40ms);
        const UploadRecord record = rig.makeRecord("large-parts.bin", 3000);
        const QString id = rig.upload(record);
        QCOMPARE(rig.service.fake.object("ws1/" + id), fileBytes(record.path));
        QCOMPARE(rig.service.fake.peakPartBytes(), 1024);
        QCOMPARE(rig.budget.inUse(), 0);
    }

    void cancellingLeavesNothingBehind() {
        UploadWorkerRig rig;
        rig.service.fake.setPartDelay(5s);
        const UploadRecord record = rig.makeRecord("cancelled.bin", 3 * 1024);
        const int descriptors = openDescriptors();
        std::stop_source stop;
        auto running = rig.worker(record).run(record, stop.get_token());
        QVERIFY(spinUntil([&] { return rig.service.fake.count(Route::part) == 3; }));
        QCOMPARE(rig.budget.inUse(), 3 * 1024);

        stop.request_stop();
        QVERIFY_THROWS_EXCEPTION(Cancelled, await(std::move(running), 5s));
        QCOMPARE(rig.budget.inUse(), 0);
        QCOMPARE(rig.progress.total(record.item.id), 0);
        QVERIFY(rig.delegate.record.parts.isEmpty());
        // The file is closed; the client's connections to the parts it abandoned close as well.
        QVERIFY(spinUntil([&] { return openDescriptors() <= descriptors; }, 5s));
    }

    void cancellingWhileWaitingForBytesOrNetwork() {
        UploadWorkerRig rig(1024);
        const UploadRecord record = rig.makeRecord("waiting.bin", 1024);
        const qint64 held = await(rig.budget.acquire(1024, {}));
        std::stop_source forBytes;
        auto waitingForBytes = rig.worker(record).run(record, forBytes.get_token());
        QVERIFY(spinUntil([&] { return rig.budget.waiterCount() == 1; }));
        forBytes.request_stop();
        QVERIFY_THROWS_EXCEPTION(Cancelled, await(std::move(waitingForBytes), 5s));
        QCOMPARE(rig.budget.inUse(), 1024);
        rig.budget.release(held);

        rig.network.signal().setOnline(false);
        std::stop_source forNetwork;
        auto waitingForNetwork = rig.worker(record).run(record, forNetwork.get_token());
        QVERIFY(spinUntil([&] { return rig.network.signal().onlineWaiterCount() == 1; }));
        forNetwork.request_stop();
        QVERIFY_THROWS_EXCEPTION(Cancelled, await(std::move(waitingForNetwork), 5s));
        QCOMPARE(rig.network.signal().onlineWaiterCount(), 0);
        QCOMPARE(rig.budget.inUse(), 0);
    }

    void fileOver100GBIsRefused() {
        UploadWorkerRig rig;
        rig.network.signal().setOnline(false);
        const auto refused = ParcelKitError::fileUnavailable(
            QStringLiteral("huge.bin is larger than 100 GB, the most a file can have."));
        for (const qint64 size : {PartLayout::maxByteCount + 1, PartLayout::maxByteCount}) {
            // A sparse file of that size costs no disk space.
            QVERIFY(QFile::resize(rig.makeRecord("huge.bin", 0).path, size));
            const UploadRecord record = UploadWorkerRig::recordOf(
                rig.pathOf("huge.bin"), UploadState::uploading(), PartLayout::partSize(size));
            std::stop_source stop;
            const auto run = begin(rig.worker(record).run(record, stop.get_token()));
            // Accepted, the run goes on to wait for the network before its first request.
            QVERIFY(
                spinUntil([&] { return run->done || rig.network.signal().onlineWaiterCount(); }));
            stop.request_stop();
            QVERIFY(spinUntil([&] { return run->done.load(); }));
            QCOMPARE(run->failure<ParcelKitError>(),
                     size > PartLayout::maxByteCount ? std::optional(refused) : std::nullopt);
        }
        QCOMPARE(rig.service.fake.server().requestCount(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_UploadWorkerLimits)
#include "tst_UploadWorkerLimits.moc"
