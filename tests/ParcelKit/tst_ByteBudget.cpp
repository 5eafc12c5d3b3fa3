#include "Async.h"
#include "ByteBudget.h"
#include "EventLoopThreads.h"
#include "TestSupport.h"

#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

#include <atomic>

using namespace ParcelKit;
using namespace std::chrono_literals;

class tst_ByteBudget : public QObject {
    Q_OBJECT

private slots:
    void releaseGrantsTheWaiterThatNowFits();
    void waitersAreServedStrictlyInArrivalOrder();
    void requestsAreClampedToTheCapacity();
    void cancellingAWaiterLeavesTheBudgetUnchanged();
    void cancellationAfterTheGrantKeepsTheGrant();
    void alreadyCancelledRequestGetsOnlyWhatFitsAtOnce();
    void concurrentAcquirersWithRandomCancellation();
};

void tst_ByteBudget::releaseGrantsTheWaiterThatNowFits() {
    ByteBudget budget(100);
    QCOMPARE(Testing::await(budget.acquire(60, {})), 60);
    auto second = budget.acquire(60, {});
    QCOMPARE(budget.waiterCount(), 1);
    QCOMPARE(budget.inUse(), 60);

    budget.release(60);
    QCOMPARE(budget.inUse(), 60);
    QCOMPARE(budget.waiterCount(), 0);
    QCOMPARE(Testing::await(std::move(second)), 60);
}

void tst_ByteBudget::waitersAreServedStrictlyInArrivalOrder() {
    ByteBudget budget(100);
    QCOMPARE(Testing::await(budget.acquire(90, {})), 90);
    auto large = budget.acquire(50, {});
    // 95 would fit, but the small request must not overtake the large one ahead of it.
    auto small = budget.acquire(5, {});
    QCOMPARE(budget.waiterCount(), 2);

    budget.release(40);
    QCOMPARE(budget.inUse(), 100);
    QCOMPARE(budget.waiterCount(), 1);
    QCOMPARE(Testing::await(std::move(large)), 50);

    budget.release(5);
    QCOMPARE(Testing::await(std::move(small)), 5);
    QCOMPARE(budget.inUse(), 100);
}

void tst_ByteBudget::requestsAreClampedToTheCapacity() {
    ByteBudget budget(100);
    QCOMPARE(Testing::await(budget.acquire(-10, {})), 0);
    QCOMPARE(budget.inUse(), 0);

    QCOMPARE(Testing::await(budget.acquire(1, {})), 1);
    auto oversized = budget.acquire(500, {});
    QCOMPARE(budget.waiterCount(), 1);
    budget.release(1);
    QCOMPARE(Testing::await(std::move(oversized)), 100);
    QCOMPARE(budget.inUse(), 100);

    // A budget asked to hold nothing still lets a part through, alone.
    ByteBudget empty(0);
    QCOMPARE(Testing::await(empty.acquire(16, {})), 1);
}

void tst_ByteBudget::cancellingAWaiterLeavesTheBudgetUnchanged() {
    ByteBudget budget(100);
    QCOMPARE(Testing::await(budget.acquire(90, {})), 90);
    std::stop_source source;
    auto cancelled = budget.acquire(50, source.get_token());
    auto behind = budget.acquire(5, {});
    QCOMPARE(budget.waiterCount(), 2);

    source.request_stop();
    QVERIFY_THROWS_EXCEPTION(Cancelled, Testing::await(std::move(cancelled)));
    QCOMPARE(budget.inUse(), 90);
    // The request behind is looked at by the next release, not by the cancellation.
    QCOMPARE(budget.waiterCount(), 1);
    budget.release(90);
    QCOMPARE(Testing::await(std::move(behind)), 5);
    QCOMPARE(budget.inUse(), 5);
}

void tst_ByteBudget::cancellationAfterTheGrantKeepsTheGrant() {
    ByteBudget budget(100);
    QCOMPARE(Testing::await(budget.acquire(100, {})), 100);
    std::stop_source source;
    auto waiting = budget.acquire(70, source.get_token());
    budget.release(100);
    // The requester has not run since the grant; the cancellation must not lose it.
    source.request_stop();
    QCOMPARE(Testing::await(std::move(waiting)), 70);
    QCOMPARE(budget.inUse(), 70);
    QCOMPARE(budget.waiterCount(), 0);
}

void tst_ByteBudget::alreadyCancelledRequestGetsOnlyWhatFitsAtOnce() {
    ByteBudget budget(100);
    std::stop_source source;
    source.request_stop();
    QCOMPARE(Testing::await(budget.acquire(60, source.get_token())), 60);
    QVERIFY_THROWS_EXCEPTION(Cancelled, Testing::await(budget.acquire(60, source.get_token())));
    QCOMPARE(budget.waiterCount(), 0);

    // Fitting is not enough while someone waits ahead.
    auto waiting = budget.acquire(60, {});
    QVERIFY_THROWS_EXCEPTION(Cancelled, Testing::await(budget.acquire(1, source.get_token())));
    QCOMPARE(budget.inUse(), 60);
    budget.release(60);
    QCOMPARE(Testing::await(std::move(waiting)), 60);
}

namespace {

struct StressTally {
    std::atomic<qint64> held = 0;
    std::atomic<bool> overCapacity = false;
    std::atomic<int> grants = 0;
    std::atomic<int> releases = 0;
    std::atomic<int> cancellations = 0;
    std::atomic<int> faults = 0;
    std::atomic<int> finishedAcquirers = 0;
};

// Acquires, holds across an event-loop turn, and releases, over and over. Some requests are
// cancelled before they start and some are cancelled from another thread while they run.
QCoro::Task<void> acquirer(ByteBudget& budget, StressTally& tally, QObject* canceller, quint32 seed,
                           int iterations) {
    QRandomGenerator random(seed);
    QThread* const home = QThread::currentThread();
    for (int i = 0; i < iterations; ++i) {
        auto source = std::make_shared<std::stop_source>();
        const int roll = random.bounded(10);
        if (roll == 0)
            source->request_stop();
        else if (roll < 4)
            QMetaObject::invokeMethod(canceller, [source] { source->request_stop(); });
        const qint64 request = random.bounded(-20, 160);
        try {
            const qint64 granted = co_await budget.acquire(request, source->get_token());
            if (QThread::currentThread() != home ||
                granted != std::clamp<qint64>(request, 0, budget.capacity()))
                ++tally.faults;
            ++tally.grants;
            // The held sum never exceeds what the budget counts as in use, so it bounds it.
            if (tally.held.fetch_add(granted) + granted > budget.capacity())
                tally.overCapacity = true;
            co_await sleepFor(0ms, {});
            tally.held.fetch_sub(granted);
            budget.release(granted);
            ++tally.releases;
        } catch (const Cancelled&) {
            if (!source->stop_requested())
                ++tally.faults;
            ++tally.cancellations;
        }
    }
    ++tally.finishedAcquirers;
}

} // namespace

void tst_ByteBudget::concurrentAcquirersWithRandomCancellation() {
    constexpr int threadCount = 4;
    constexpr int acquirersPerThread = 8;
    constexpr int iterations = 60;
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("seed %u", seed);

    ByteBudget budget(100);
    StressTally tally;
    Testing::EventLoopThreads threads(threadCount);
    for (int t = 0; t < threadCount; ++t) {
        QObject* canceller = threads.host((t + 1) % threadCount);
        threads.post(t, [&, t, canceller] {
            for (int a = 0; a < acquirersPerThread; ++a)
                acquirer(budget, tally, canceller, seed + t * acquirersPerThread + a, iterations);
        });
    }

    const bool finished = Testing::spinUntil(
        [&] { return tally.finishedAcquirers == threadCount * acquirersPerThread; }, 60s);
    QVERIFY(finished);
    QVERIFY(!tally.overCapacity);
    QCOMPARE(tally.faults.load(), 0);
    QCOMPARE(tally.grants.load(), tally.releases.load());
    QCOMPARE(tally.grants + tally.cancellations, threadCount * acquirersPerThread * iterations);
    QVERIFY(tally.grants > 0);
    QVERIFY(tally.cancellations > 0);
    QCOMPARE(budget.inUse(), 0);
    QCOMPARE(budget.waiterCount(), 0);
}

QTEST_GUILESS_MAIN(tst_ByteBudget)
#include "tst_ByteBudget.moc"
