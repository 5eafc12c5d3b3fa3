#include "Async.h"
#include "ByteBudget.h"
#include "TestSupport.h"

#include <QtTest>

using namespace ParcelKit;
using namespace std::chrono_literals;

class tst_ByteBudget : public QObject {
    Q_OBJECT

private slots:
    void releaseGrantsTheWaiterThatNowFits() {
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

    void waitersAreServedStrictlyInArrivalOrder() {
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

    void requestsAreClampedToTheCapacity() {
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

    void cancellingAWaiterLeavesTheBudgetUnchanged() {
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

        budget.release(5);
        QCOMPARE(Testing::await(budget.acquire(100, {})), 100);
        std::stop_source late;
        auto waiting = budget.acquire(70, late.get_token());
        budget.release(100);
        // The requester has not run since the grant; the cancellation must not lose it.
        late.request_stop();
        QCOMPARE(Testing::await(std::move(waiting)), 70);
        QCOMPARE(budget.inUse(), 70);
        QCOMPARE(budget.waiterCount(), 0);
    }

    void alreadyCancelledRequestGetsOnlyWhatFitsAtOnce() {
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
};

QTEST_GUILESS_MAIN(tst_ByteBudget)
#include "tst_ByteBudget.moc"
