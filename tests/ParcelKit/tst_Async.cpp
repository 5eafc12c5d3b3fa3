#include "Async.h"
#include "TestSupport.h"

#include "CoroTest.h"
#include <QThread>
#include <QTimer>
#include <QtTest>

using namespace ParcelKit;
using namespace std::chrono_literals;

namespace {

QCoro::Task<int> valueAfter(std::chrono::milliseconds delay, int value, std::stop_token token) {
    co_await sleepFor(delay, token);
    co_return value;
}

struct Boom : std::exception {};

} // namespace

class tst_Async : public QObject {
    Q_OBJECT

private slots:
    void sleepsEndAfterTheirDurationOrWhenStopped() {
        QElapsedTimer timer;
        timer.start();
        Testing::await(sleepFor(30ms, {}));
        QVERIFY(timer.elapsed() >= 30);
        timer.restart();
        Testing::await(sleepContinuous(30ms, {}));
        QVERIFY(timer.elapsed() >= 30);

        std::stop_source stopped;
        stopped.request_stop();
        QVERIFY_THROWS_EXCEPTION(Cancelled, Testing::await(sleepFor(10s, stopped.get_token()), 1s));
        for (const bool continuous : {false, true}) {
            std::stop_source source;
            QTimer::singleShot(20ms, [&] { source.request_stop(); });
            auto sleep = continuous ? sleepContinuous(10s, source.get_token())
                                    : sleepFor(10s, source.get_token());
            QVERIFY_THROWS_EXCEPTION(Cancelled, Testing::await(std::move(sleep), 5s));
        }
    }

    void waitForStopEndsOnlyWhenStopped() {
        std::stop_source source;
        const auto waiting = Testing::begin(waitForStop(source.get_token()));
        QVERIFY(!Testing::spinUntil([&] { return waiting->done.load(); }, 50ms));
        source.request_stop();
        QVERIFY(Testing::spinUntil([&] { return waiting->done.load(); }));
        QVERIFY(waiting->failure<Cancelled>());
    }

    void resumeFromAnotherThreadHappensOnTheSuspendingThread() {
        QThread* resumedOn = nullptr;
        std::unique_ptr<QThread> waker;
        auto task = [&]() -> QCoro::Task<int> {
            auto registration = [&](Continuation<int> continuation) {
                waker.reset(QThread::create([continuation] { continuation.resume(42); }));
                waker->start();
            };
            const int value = co_await suspend<int>({}, std::move(registration));
            resumedOn = QThread::currentThread();
            co_return value;
        };
        QCOMPARE(Testing::await(task()), 42);
        QCOMPARE(resumedOn, QThread::currentThread());
        waker->wait();
    }

    void continuationResumesOnlyOnce() {
        int resumptions = 0;
        Continuation<int> kept;
        std::stop_source source;
        auto body = [&]() -> QCoro::Task<void> {
            try {
                auto registration = [&](Continuation<int> c) { kept = c; };
                co_await suspend<int>(source.get_token(), std::move(registration));
            } catch (const Cancelled&) {
            }
            ++resumptions;
        };
        auto task = body();
        source.request_stop();
        QVERIFY(!kept.resume(1));
        QVERIFY(!kept.fail(Boom{}));
        QVERIFY(Testing::spinUntil([&] { return resumptions > 0; }));
        QCoreApplication::processEvents();
        QCOMPARE(resumptions, 1);
    }

    void taskHandleKeepsItsOutcome() {
        auto ok = TaskHandle<int>::start([](std::stop_token t) { return valueAfter(10ms, 7, t); });
        auto failing = TaskHandle<void>::start([](std::stop_token) -> QCoro::Task<void> {
            co_await sleepFor(5ms, {});
            throw Boom{};
        });
        QCOMPARE(Testing::await(ok.result()), 7);
        QCOMPARE(Testing::await(ok.result()), 7);
        QVERIFY_THROWS_EXCEPTION(Boom, Testing::await(failing.result()));
        // Cancelling a finished task changes nothing.
        ok.cancel();
        QVERIFY(ok.isFinished());
        QCOMPARE(Testing::await(ok.result()), 7);

        auto cancelled =
            TaskHandle<int>::start([](std::stop_token t) { return valueAfter(10s, 1, t); });
        cancelled.cancel();
        QVERIFY_THROWS_EXCEPTION(Cancelled, Testing::await(cancelled.result()));
    }

    void taskGroupWaitsForAllAndCancelsOnFirstFailure() {
        int finished = 0;
        auto all = [&]() -> QCoro::Task<void> {
            TaskGroup group;
            for (int i = 0; i < 3; ++i)
                group.spawn([&, i](std::stop_token t) -> QCoro::Task<void> {
                    co_await sleepFor(std::chrono::milliseconds(5 * (3 - i)), t);
                    ++finished;
                });
            co_await group.wait();
            QCORO_COMPARE(finished, 3);
        };
        Testing::await(all());
        QCOMPARE(finished, 3);

        int cancelledSiblings = 0;
        auto failing = [&]() -> QCoro::Task<void> {
            TaskGroup group;
            for (int i = 0; i < 2; ++i)
                group.spawn([&](std::stop_token t) -> QCoro::Task<void> {
                    try {
                        co_await sleepFor(10s, t);
                    } catch (const Cancelled&) {
                        ++cancelledSiblings;
                        throw;
                    }
                });
            group.spawn([](std::stop_token t) -> QCoro::Task<void> {
                co_await sleepFor(5ms, t);
                throw Boom{};
            });
            co_await group.wait();
        };
        QVERIFY_THROWS_EXCEPTION(Boom, Testing::await(failing()));
        QCOMPARE(cancelledSiblings, 2);

        std::stop_source parent;
        auto stopped = [&]() -> QCoro::Task<void> {
            TaskGroup group(parent.get_token());
            group.spawn([](std::stop_token t) { return sleepFor(10s, t); });
            co_await group.wait();
        };
        QTimer::singleShot(10ms, [&] { parent.request_stop(); });
        QVERIFY_THROWS_EXCEPTION(Cancelled, Testing::await(stopped(), 5s));
    }
};

QTEST_GUILESS_MAIN(tst_Async)
#include "tst_Async.moc"
