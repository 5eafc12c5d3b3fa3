// Adding files and running them: folder expansion in file-manager order, the checks made when a
// file is added, the part-size rule (at enqueue and at retry), runs in list order at most
// maxConcurrentFiles at a time (more while single-part files come next), parts moving while the
// global pool is busy, what a retrying item says, and real files arriving byte for byte in the
// storage.
#include "FileExpander.h"
#include "RecordMaker.h"
#include "TestSupport.h"
#include "UploadQueueRig.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThreadPool>
#include <QtTest>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using Case = UploadState::Case;

namespace {

QList<Case> statesOf(const QList<UploadItem>& items) {
    QList<Case> states;
    for (const auto& item : items)
        states.append(item.state.kind());
    return states;
}

QStringList filenamesOf(const QList<UploadItem>& items) {
    QStringList names;
    for (const auto& item : items)
        names.append(item.filename);
    return names;
}

} // namespace

class tst_UploadQueueScheduling : public QObject {
    Q_OBJECT

private slots:
    void naturalOrder() {
        const QStringList sorted{"Apple.txt", "banana.txt", "name1", "name01", "name2",
                                 "name10",    "name10a",    "x9y",   "x10a",   "zeta"};
        for (qsizetype i = 0; i + 1 < sorted.size(); ++i) {
            QVERIFY2(FileExpander::naturalLess(sorted[i], sorted[i + 1]), qPrintable(sorted[i]));
            QVERIFY2(!FileExpander::naturalLess(sorted[i + 1], sorted[i]), qPrintable(sorted[i]));
        }
        QVERIFY(!FileExpander::naturalLess("same", "same"));
        QVERIFY(
            FileExpander::naturalLess("photo 99999999999999999999", "photo 100000000000000000000"));
    }
    void foldersAreExpandedInFileManagerOrder() {
        UploadQueueRig rig;
        UploadQueue& queue = rig.start();
        const QDir root(rig.dir.filePath("folder"));
        for (const QString folder : {"a", "Sub", ".git", "empty", "deep/er"})
            QVERIFY(root.mkpath(folder));
        for (const QString file : {"b10.txt", "b2.txt", "a/1.txt", "Sub/x", ".hidden",
                                   ".git/config", "deep/er/.env", "deep/er/z"})
            rig.writeFile("folder/" + file, 10);
        QVERIFY(
            QFile::link(rig.dir.filePath("folder/b2.txt"), rig.dir.filePath("folder/link.txt")));

        const QList<QUuid> ids = rig.enqueue({"folder"});
        QCOMPARE(filenamesOf(queue.items()), (QStringList{"1.txt", "b2.txt", "b10.txt", "z", "x"}));
        QCOMPARE(ids.size(), 5);
        QCOMPARE(queue.items()[4].id, ids[4]);

        QSignalSpy changes(&queue, &UploadQueue::itemsChanged);
        QVERIFY(rig.enqueue({"folder/empty"}).isEmpty());
        QCOMPARE(changes.count(), 0);
        QCOMPARE(queue.items().size(), 5);
    }
    void filesThatCannotUploadFailAtOnce() {
        UploadQueueRig rig;
        UploadQueue& queue = rig.start();
        QFile huge(rig.dir.filePath("huge.bin"));
        QVERIFY(huge.open(QIODevice::WriteOnly));
        if (!huge.resize(100'000'000'001))
            QSKIP("this file system cannot hold a sparse file of 100 GB");
        huge.close();

        const QList<QUuid> ids = rig.enqueue({"ghost.bin", "huge.bin"});
        QCOMPARE(ids.size(), 2);
        QCOMPARE(rig.item(ids[0]).state, UploadState::failed("ghost.bin can no longer be found."));
        QCOMPARE(rig.item(ids[1]).state,
                 UploadState::failed("huge.bin is larger than 100 GB, the most a file can have."));
        QCOMPARE(rig.item(ids[1]).byteCount, 100'000'000'001);
        QCOMPARE(rig.storedRecords().size(), 2);
        // They never start.
        QCOMPARE(rig.service.fake.count(FakeStorageService::Route::sign), 0);
        QCOMPARE(statesOf(queue.items()), (QList<Case>{Case::failed, Case::failed}));

        QVERIFY(huge.resize(100'000'000'000));
        const UploadRecord limit = RecordMaker::make(huge.fileName(), "ws1", UploadOptions());
        QCOMPARE(limit.item.state, UploadState::queued());
        QCOMPARE(limit.partSize, 100'000'000);
    }
    void partSizeRule() {
        // An unusable part size is the item's problem, shown to the user, not a crash; so is a
        // layout of more parts than the storage lists on resume.
        QTemporaryDir dir;
        QFile file(dir.filePath("a.bin"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const auto made = [&](qint64 size, std::optional<qint64> partSize) {
            file.resize(size);
            UploadOptions options;
            options.partSizeOverride = partSize;
            return RecordMaker::make(file.fileName(), "ws1", options);
        };
        QCOMPARE(made(3, 5'242'880).partSize, 5'242'880);
        QCOMPARE(made(1000, 1).item.state, UploadState::queued());
        QCOMPARE(made(3'000'000'000, 3'000'000).item.state, UploadState::queued());
        const auto tooMany = [](qint64 smallest) {
            return UploadState::failed(
                QString("a.bin would need more than 1,000 parts; the part size "
                        "must be at least %1 bytes for it.")
                    .arg(smallest));
        };
        QCOMPARE(made(1001, 1).item.state, tooMany(2));
        QCOMPARE(made(3'000'000'000, 1).item.state, tooMany(3'000'000));
        QCOMPARE(made(3'000'000'001, 3'000'000).item.state, tooMany(3'000'001));
        const UploadRecord zero = made(3, 0);
        QCOMPARE(zero.item.state,
                 UploadState::failed("The part size of an upload must be at least 1 byte."));
        QCOMPARE(zero.partSize, 16'777'216);
        QCOMPARE(RecordMaker::partSize(10, 0), std::nullopt);
    }
    void filesRunInListOrderWithinTheirLimit_data() {
        QTest::addColumn<int>("singlePartFiles");
        QTest::addColumn<QList<qint64>>("sizes");
        QTest::addColumn<QList<Case>>("startingStates");
        const auto U = Case::uploading, Q = Case::queued;
        const QList<qint64> small{700, 700, 700, 700, 700};
        QTest::newRow("two at a time") << 0 << small << QList<Case>{U, U, Q, Q, Q};
        QTest::newRow("more single parts") << 4 << small << QList<Case>{U, U, U, U, Q};
        // The file of three parts waits for a run of the two to be free, and the last behind it.
        QTest::newRow("a larger file waits in line")
            << 4 << QList<qint64>{700, 700, 700, 3000, 700} << QList<Case>{U, U, U, Q, Q};
    }
    void filesRunInListOrderWithinTheirLimit() {
        QFETCH(int, singlePartFiles);
        QFETCH(QList<qint64>, sizes);
        QFETCH(QList<Case>, startingStates);
        UploadQueueRig rig;
        UploadOptions options = UploadQueueRig::fastOptions();
        options.maxConcurrentSinglePartFiles = singlePartFiles;
        UploadQueue& queue = rig.start(options);
        QStringList names;
        for (int i = 1; i <= sizes.size(); ++i) {
            names.append(QStringLiteral("file%1.bin").arg(i));
            rig.writeFile(names.last(), sizes[i - 1], i);
        }
        QList<QUuid> started;
        int mostUploading = 0;
        connect(&queue, &UploadQueue::itemsChanged, this, [&] {
            int uploading = 0;
            for (const auto& item : queue.items()) {
                if (item.state.kind() != Case::uploading)
                    continue;
                ++uploading;
                if (!started.contains(item.id))
                    started.append(item.id);
            }
            mostUploading = std::max(mostUploading, uploading);
        });

        rig.gate.close();
        const QList<QUuid> ids = rig.enqueue(names);
        QCOMPARE(statesOf(queue.items()), startingStates);
        const int running = int(startingStates.count(Case::uploading));
        QVERIFY(spinUntil([&] { return rig.gate.held() == running; }));
        QCOMPARE(statesOf(queue.items()), startingStates);

        rig.gate.open();
        for (const QUuid& id : ids)
            QVERIFY(rig.waitUntilFinished(id));
        QCOMPARE(started, ids);
        QCOMPARE(mostUploading, running);
        for (qsizetype i = 0; i < ids.size(); ++i)
            QCOMPARE(rig.objectOf(ids[i]), rig.contentOf(names[i]));
    }
    void realFilesArriveByteForByte() {
        UploadQueueRig rig;
        UploadQueue& queue = rig.start();
        rig.writeFile("empty.bin", 0);
        rig.writeFile("parts.bin", 3 * 1024 + 5, 7);
        const QStringList names{"empty.bin", "parts.bin"};
        const QList<QUuid> ids = rig.enqueue(names);

        // The ids come in the order asked for, whichever upload finishes first.
        const QStringList uploadIDs = await(queue.uploadIDs({ids[1], ids[0]}));
        QCOMPARE(uploadIDs.size(), 2);
        QCOMPARE(await(queue.uploadIDs({})), QStringList());
        for (qsizetype i = 0; i < ids.size(); ++i) {
            const UploadItem item = rig.item(ids[i]);
            QCOMPARE(item.state, UploadState::finished(uploadIDs[1 - i]));
            QCOMPARE(item.bytesSent, item.byteCount);
            QVERIFY(item.finishedAt);
            QCOMPARE(rig.service.fake.object("ws1/" + uploadIDs[1 - i]), rig.contentOf(names[i]));
        }
        const auto stored = rig.storedRecords();
        QCOMPARE(stored.size(), 2);
        QCOMPARE(stored[1].parts.size(), 4);
        QCOMPARE(stored[1].item, rig.item(ids[1]));
        QVERIFY(rig.service.fake.openUploads().isEmpty());
    }
    void anUnusablePartSizeStaysRefusedOnRetry() {
        UploadQueueRig rig;
        rig.writeFile("a.bin", 10);
        UploadOptions options = UploadQueueRig::fastOptions();
        options.partSizeOverride = -1;
        UploadQueue& queue = rig.start(options);
        const QUuid id = Testing::await(queue.enqueue({rig.urlOf("a.bin")}, "ws1")).value(0);
        const auto refused =
            UploadState::failed("The part size of an upload must be at least 1 byte.");
        QCOMPARE(rig.item(id).state, refused);
        queue.retry(id);
        QCOMPARE(rig.item(id).state, refused);
        const auto error = failureOf(queue.uploadIDs({id}));
        QVERIFY(error && error->kind() == ParcelKitError::Kind::validation);
        QCOMPARE(rig.service.fake.count(FakeStorageService::Route::sign), 0);
    }
    void partsMoveWhileTheGlobalPoolIsBusy() {
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
    void aRetryingItemSaysWhenAndWhy() {
        UploadQueueRig rig;
        rig.writeFile("a.bin", 100);
        UploadOptions options = UploadQueueRig::fastOptions();
        options.retryDelays = {std::chrono::hours(1)};
        // Cut after the status line: a passing failure, retried after the delay.
        rig.service.fake.fail(FakeStorageService::Route::sign,
                              FakeStorageService::Fault::dropped(40));
        UploadQueue& queue = rig.start(options);
        const QUuid id = Testing::await(queue.enqueue({rig.urlOf("a.bin")}, "ws1")).value(0);

        QVERIFY(
            rig.waitUntil(id, [](const UploadItem& item) { return item.retryNotice.has_value(); }));
        QCOMPARE(rig.item(id).state, UploadState::uploading());
        QCOMPARE(rig.item(id).retryNotice,
                 std::optional<QString>("retrying in 3600 s: The network connection was lost."));
        // Only a change of the network ends the wait; the retry goes through and the notice goes
        // away.
        queue.nudgeNetwork();
        QVERIFY(rig.waitUntilFinished(id));
        QCOMPARE(rig.item(id).retryNotice, std::nullopt);
    }
};

QTEST_GUILESS_MAIN(tst_UploadQueueScheduling)
#include "tst_UploadQueueScheduling.moc"
