#include "TestSupport.h"
#include "Throttle.h"

#include <QtTest>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using namespace std::chrono_literals;

class tst_Throttle : public QObject {
    Q_OBJECT

private slots:
    void aBurstRunsOnceWhenTheLoopTurns() {
        int runs = 0;
        Throttle throttle(0ms, [&] { ++runs; });
        for (int i = 0; i < 5; ++i)
            throttle.request();
        QCOMPARE(runs, 0);
        QVERIFY(spinUntil([&] { return runs == 1; }));
        QVERIFY(!throttle.isPending());

        throttle.request();
        QVERIFY(spinUntil([&] { return runs == 2; }));
    }
    void aRequestSoonAfterARunWaitsForTheIntervalUnlessFlushed() {
        int runs = 0;
        Throttle throttle(1h, [&] { ++runs; });
        // The first request has no earlier run to keep its distance from.
        throttle.request();
        QVERIFY(spinUntil([&] { return runs == 1; }));

        throttle.request();
        throttle.request();
        QCoreApplication::processEvents();
        QCOMPARE(runs, 1);
        QVERIFY(throttle.isPending());
        throttle.flush();
        throttle.flush();
        QCOMPARE(runs, 2);
        QVERIFY(!throttle.isPending());
        // The flushed run is not repeated when the loop turns.
        QCoreApplication::processEvents();
        QCOMPARE(runs, 2);
    }
};

QTEST_GUILESS_MAIN(tst_Throttle)
#include "tst_Throttle.moc"
