// The worker's pure rules: part layout and reconciliation, which failures the retry loop raises at
// once, its waits between attempts and for the network. Retries over real requests and the file
// checks are covered with the fake storage.
#include "Async.h"
#include "BucketError.h"
#include "FileChangedError.h"
#include "ParcelKitError.h"
#include "PartLayout.h"
#include "RetryLoop.h"
#include "SignalNetworkMonitor.h"
#include "TestSupport.h"
#include "UploadGone.h"

#include <QtTest>

using namespace ParcelKit;
using namespace std::chrono_literals;

namespace {

QList<UploadedPart> partsNumbered(const QList<std::pair<int, qint64>>& numbersAndSizes) {
    QList<UploadedPart> parts;
    for (const auto& [number, size] : numbersAndSizes)
        parts.append({number, QStringLiteral("\"e%1\"").arg(number), size});
    return parts;
}

// An operation for the retry loop that fails with the scripted errors in turn, then succeeds.
struct Script {
    QList<std::exception_ptr> failures;
    int attempts = 0;
    std::function<void()> beforeFailing;
    QList<std::chrono::steady_clock::time_point> startedAt;

    QCoro::Task<int> operator()(std::stop_token) {
        ++attempts;
        startedAt.append(std::chrono::steady_clock::now());
        if (attempts <= failures.size()) {
            if (beforeFailing)
                beforeFailing();
            std::rethrow_exception(failures[attempts - 1]);
        }
        co_return attempts;
    }
};

template <typename E> QList<std::exception_ptr> times(int count, E error) {
    return QList<std::exception_ptr>(count, std::make_exception_ptr(error));
}

UploadOptions tinyDelays(int maxRetries) {
    UploadOptions options;
    options.retryDelays = {1ms, 2ms};
    options.maxRetries = maxRetries;
    return options;
}

QCoro::Task<int> runScript(RetryLoop& loop, Script& script, std::stop_token token = {}) {
    auto operation = [&script](std::stop_token attemptToken) { return script(attemptToken); };
    co_return co_await loop.run<int>(std::move(operation), std::move(token));
}

} // namespace

class tst_UploadWorkerRules : public QObject {
    Q_OBJECT

private slots:

    // The part size grows past 16 MiB only where 1000 parts of it would not hold the file.
    void layoutCutsFilesIntoParts_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("partSize");
        QTest::addColumn<int>("count");
        QTest::addColumn<qint64>("lastLength");
        const qint64 MiB16 = 16'777'216;
        QTest::newRow("empty file") << qint64(0) << MiB16 << 1 << qint64(0);
        QTest::newRow("exactly one part") << MiB16 << MiB16 << 1 << MiB16;
        QTest::newRow("one byte more") << MiB16 + 1 << MiB16 << 2 << qint64(1);
        QTest::newRow("below the threshold")
            << qint64(16'777'215'000) << MiB16 << 1000 << qint64(16'776'216);
        QTest::newRow("largest with 16 MiB parts")
            << qint64(16'777'215'001) << MiB16 << 1000 << qint64(16'776'217);
        QTest::newRow("larger parts")
            << qint64(16'777'216'001) << MiB16 + 1 << 1000 << qint64(16'776'218);
        QTest::newRow("100 GB") << qint64(100'000'000'000) << qint64(100'000'000) << 1000
                                << qint64(100'000'000);
    }

    void layoutCutsFilesIntoParts() {
        QFETCH(qint64, size);
        QFETCH(qint64, partSize);
        QFETCH(int, count);
        QFETCH(qint64, lastLength);
        QCOMPARE(PartLayout::partSize(size), partSize);
        const PartLayout layout(size, partSize);
        QCOMPARE(layout.partCount(), count);
        QCOMPARE(layout.length(count), lastLength);
        QCOMPARE(layout.offset(count), qint64(count - 1) * partSize);
        QCOMPARE(layout.length(count + 1), 0);
        qint64 total = 0;
        for (int n = 1; n <= count; ++n)
            total += layout.length(n);
        QCOMPARE(total, size);
    }

    void reconciliationKeepsOnlyPartsThatFit() {
        const PartLayout layout(2500, 1000);
        const auto listed =
            partsNumbered({{3, 500}, {1, 1000}, {2, 999}, {4, 500}, {0, 1000}, {-1, 1000}});
        const auto kept = layout.reconciled(listed);
        QCOMPARE(kept, partsNumbered({{3, 500}, {1, 1000}}));
        QCOMPARE(layout.missing(kept), QList<int>{2});
        QCOMPARE(layout.missing(layout.reconciled(partsNumbered({{1, 1000}, {2, 1000}, {3, 500}}))),
                 QList<int>{});
        QCOMPARE(PartLayout(0, 1000).reconciled(partsNumbered({{1, 0}})), partsNumbered({{1, 0}}));
    }

    void delaysGrowAlongTheListThenRepeatTheLast() {
        Testing::SignalNetworkMonitor network;
        UploadOptions options;
        options.retryDelays = {50ms, 100ms, 200ms};
        // Refusals count against maxRetries; passing failures never do.
        options.maxRetries = 2;
        RetryLoop loop(options, network);
        Script script;
        script.failures = times(3, ParcelKitError::network(QStringLiteral("lost")));
        script.failures += times(2, BucketError(403, std::nullopt));
        QCOMPARE(Testing::await(runScript(loop, script)), 6);

        QList<std::chrono::milliseconds> gaps;
        for (qsizetype i = 1; i < script.startedAt.size(); ++i)
            gaps.append(std::chrono::duration_cast<std::chrono::milliseconds>(
                script.startedAt[i] - script.startedAt[i - 1]));
        const QList<std::chrono::milliseconds> delays{50ms, 100ms, 200ms, 200ms, 200ms};
        for (qsizetype i = 0; i < delays.size(); ++i)
            QVERIFY2(
                gaps[i] >= delays[i],
                qPrintable(QStringLiteral("wait %1 lasted %2 ms").arg(i + 1).arg(gaps[i].count())));

        // A third refusal is one too many.
        RetryLoop refusing(options, network);
        Script refused;
        refused.failures = times(3, BucketError(403, std::nullopt));
        QVERIFY(Testing::failureOf(runScript(refusing, refused)) == ParcelKitError::server(403));
        QCOMPARE(refused.attempts, 3);
    }

    void otherFailuresAreRaisedAtOnce() {
        Testing::SignalNetworkMonitor network;
        for (const auto& failure : {std::make_exception_ptr(ParcelKitError::server(404)),
                                    std::make_exception_ptr(ParcelKitError::server(0)),
                                    std::make_exception_ptr(ParcelKitError::notSignedIn()),
                                    std::make_exception_ptr(UploadGone{}),
                                    std::make_exception_ptr(FileChangedError("a.bin")),
                                    std::make_exception_ptr(Cancelled{})}) {
            RetryLoop loop(tinyDelays(5), network);
            Script script;
            script.failures = {failure};
            const auto outcome = Testing::begin(runScript(loop, script));
            QVERIFY(Testing::spinUntil([&] { return outcome->done.load(); }));
            QVERIFY(outcome->error);
            QCOMPARE(script.attempts, 1);
        }
    }

    void failuresWhileOfflineWaitForTheNetworkAndCountForNothing() {
        Testing::SignalNetworkMonitor network;
        // No retry may be counted: a counted refusal would end the loop at once.
        RetryLoop loop(tinyDelays(0), network);
        Script script;
        script.failures = times(2, BucketError(403, std::nullopt));
        script.beforeFailing = [&] { network.signal().setOnline(false); };
        auto running = runScript(loop, script);
        for (int attempt = 1; attempt <= 2; ++attempt) {
            QVERIFY(Testing::spinUntil([&] { return network.signal().onlineWaiterCount() == 1; }));
            QCOMPARE(script.attempts, attempt);
            network.signal().setOnline(true);
        }
        QCOMPARE(Testing::await(std::move(running)), 3);
    }

    void aChangeOfTheNetworkCutsTheDelayShort() {
        Testing::SignalNetworkMonitor network;
        UploadOptions options;
        options.retryDelays = {1h};
        RetryLoop loop(options, network);
        Script script;
        script.failures = times(1, ParcelKitError::network(QStringLiteral("lost")));
        auto running = runScript(loop, script);
        QVERIFY(Testing::spinUntil([&] { return network.signal().changeWaiterCount() == 1; }));
        network.nudge();
        QCOMPARE(Testing::await(std::move(running), 5s), 2);
    }

    // In a delay; the wait for the network is cancelled in the worker's limits test.
    void cancellingEndsTheLoop() {
        Testing::SignalNetworkMonitor network;
        UploadOptions options;
        options.retryDelays = {1h};
        std::stop_source stop;
        Script script;
        script.failures = times(1, ParcelKitError::network(QStringLiteral("lost")));

        RetryLoop delayed(options, network);
        auto inDelay = runScript(delayed, script, stop.get_token());
        QVERIFY(Testing::spinUntil([&] { return network.signal().changeWaiterCount() == 1; }));
        stop.request_stop();
        QVERIFY_THROWS_EXCEPTION(Cancelled, Testing::await(std::move(inDelay), 5s));
    }
};

QTEST_GUILESS_MAIN(tst_UploadWorkerRules)
#include "tst_UploadWorkerRules.moc"
