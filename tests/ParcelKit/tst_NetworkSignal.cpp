#include "Async.h"
#include "NetworkSignal.h"
#include "TestSupport.h"

#include <QtTest>

#include <atomic>

using namespace ParcelKit;
using namespace std::chrono_literals;

namespace {

struct Waiting {
    std::atomic<int> resumptions = 0;
    QCoro::Task<void> task;
};

QCoro::Task<void> waitAndCount(NetworkSignal* signal, bool change, std::stop_token token,
                               std::atomic<int>* resumptions) {
    co_await signal->wait(change, std::move(token));
    ++*resumptions;
}

// Starts a wait; the waiter is registered (or already released) when this returns.
std::unique_ptr<Waiting> startWait(NetworkSignal& signal, bool change, std::stop_token token = {}) {
    auto waiting = std::make_unique<Waiting>();
    waiting->task = waitAndCount(&signal, change, std::move(token), &waiting->resumptions);
    return waiting;
}

// Lets every posted resumption run, so that a count that should stay put has had its chance.
void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

bool resumedOnce(const Waiting& waiting) {
    if (!Testing::spinUntil([&] { return waiting.resumptions > 0; }))
        return false;
    settle();
    return waiting.resumptions == 1;
}

} // namespace

class tst_NetworkSignal : public QObject {
    Q_OBJECT

private slots:
    void wakingRules() {
        NetworkSignal signal;
        // Online from the start: waiting for it returns at once.
        QVERIFY(signal.isOnline());
        auto atOnce = startWait(signal, false);
        QCOMPARE(signal.onlineWaiterCount(), 0);
        QVERIFY(resumedOnce(*atOnce));

        auto firstChange = startWait(signal, true);
        signal.setOnline(false);
        QVERIFY(!signal.isOnline());
        QVERIFY(resumedOnce(*firstChange));

        auto online = startWait(signal, false);
        auto secondChange = startWait(signal, true);
        signal.setOnline(false);
        QCOMPARE(signal.changeWaiterCount(), 1);
        QCOMPARE(signal.onlineWaiterCount(), 1);

        signal.pulse();
        QVERIFY(resumedOnce(*secondChange));
        QCOMPARE(signal.onlineWaiterCount(), 1);

        // Coming back online releases those waiting for it; a change waiter needs a pulse.
        auto thirdChange = startWait(signal, true);
        signal.setOnline(true);
        QVERIFY(resumedOnce(*online));
        QCOMPARE(signal.changeWaiterCount(), 1);
        signal.pulse();
        QVERIFY(resumedOnce(*thirdChange));
    }

    void cancelledWaitersAreRemovedAndResumedOnce() {
        NetworkSignal signal;
        signal.setOnline(false);
        std::stop_source source;
        auto online = startWait(signal, false, source.get_token());
        auto change = startWait(signal, true, source.get_token());
        auto woken = startWait(signal, true, source.get_token());
        QCOMPARE(signal.onlineWaiterCount(), 1);
        QCOMPARE(signal.changeWaiterCount(), 2);
        signal.pulse();
        auto pending = startWait(signal, true, source.get_token());

        source.request_stop();
        QCOMPARE(signal.onlineWaiterCount(), 0);
        QCOMPARE(signal.changeWaiterCount(), 0);
        signal.setOnline(true);
        signal.pulse();
        for (const auto* waiting : {online.get(), change.get(), woken.get(), pending.get()})
            QVERIFY(resumedOnce(*waiting));

        // A wait that starts cancelled is never stored, even while offline.
        signal.setOnline(false);
        auto late = startWait(signal, false, source.get_token());
        QCOMPARE(signal.onlineWaiterCount(), 0);
        QVERIFY(resumedOnce(*late));
    }

    void waitForChangeEndsOnChangeOrDeadline() {
        NetworkSignal signal;
        auto pulsed = signal.waitForChange(1h, {});
        QCOMPARE(signal.changeWaiterCount(), 1);
        signal.pulse();
        Testing::await(std::move(pulsed));

        auto dropped = signal.waitForChange(1h, {});
        signal.setOnline(false);
        Testing::await(std::move(dropped));

        // The deadline wins: the change waiter that lost is taken out of the signal.
        Testing::await(signal.waitForChange(10ms, {}));
        QCOMPARE(signal.changeWaiterCount(), 0);

        // A stop ends both sides and throws.
        std::stop_source source;
        auto waiting = signal.waitForChange(1h, source.get_token());
        QCOMPARE(signal.changeWaiterCount(), 1);
        source.request_stop();
        QCOMPARE(signal.changeWaiterCount(), 0);
        QVERIFY_THROWS_EXCEPTION(Cancelled, Testing::await(std::move(waiting)));

        QVERIFY_THROWS_EXCEPTION(Cancelled,
                                 Testing::await(signal.waitForChange(1h, source.get_token())));
        QCOMPARE(signal.changeWaiterCount(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_NetworkSignal)
#include "tst_NetworkSignal.moc"
