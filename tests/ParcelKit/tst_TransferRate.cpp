#include "TransferRate.h"

#include <QPointF>
#include <QtTest>

using namespace ParcelKit;

class tst_TransferRate : public QObject {
    Q_OBJECT

private slots:
    // Each segment is (seconds, bytes per second). Bytes arrive in bursts every half second, as
    // parts report them, and are sampled every quarter second, as the progress line does.
    void scriptedByteSeries_data() {
        QTest::addColumn<QList<QPointF>>("segments");
        QTest::addColumn<qint64>("byteCount");
        QTest::addColumn<qint64>("firstShownMsecs"); // -1: never
        QTest::addColumn<double>("rateAtEnd");       // 0: hidden at the end

        constexpr double mb = 1e6;
        QTest::newRow("steady to the end")
            << QList<QPointF>{{30, 8 * mb}} << qint64(160 * mb) << qint64(3500) << 0.0;
        QTest::newRow("steady") << QList<QPointF>{{30, 8 * mb}} << qint64(1e9) << qint64(3500)
                                << 8 * mb;
        QTest::newRow("stalled") << QList<QPointF>{{10, 8 * mb}, {20, 0}} << qint64(1e9)
                                 << qint64(3500) << 0.0;
        QTest::newRow("resumed after offline")
            << QList<QPointF>{{10, 8 * mb}, {30, 0}, {15, 2 * mb}} << qint64(1e9) << qint64(3500)
            << 2 * mb;
        QTest::newRow("slowing down")
            << QList<QPointF>{{10, 8 * mb}, {30, 4 * mb}} << qint64(1e9) << qint64(3500) << 4 * mb;
        QTest::newRow("tiny file")
            << QList<QPointF>{{10, 8 * mb}} << qint64(2 * mb) << qint64(-1) << 0.0;
    }

    void scriptedByteSeries() {
        QFETCH(QList<QPointF>, segments);
        QFETCH(qint64, byteCount);
        QFETCH(qint64, firstShownMsecs);
        QFETCH(double, rateAtEnd);

        TransferRate rate;
        qint64 msecs = 0;
        double sent = 0;
        qint64 reported = 0;
        std::optional<double> previous;
        qint64 firstShown = -1;
        rate.add(0, 0);
        for (const QPointF& segment : segments) {
            for (qint64 end = msecs + qint64(segment.x() * 1000); msecs < end;) {
                msecs += 250;
                sent += segment.y() / 4;
                if (msecs % 500 == 0)
                    reported = std::min(qint64(sent), byteCount);
                rate.add(msecs, reported);

                const auto now = rate.bytesPerSecond();
                const auto left = rate.secondsLeft(byteCount);
                QCOMPARE(left.has_value(), now.has_value());
                if (now && firstShown < 0)
                    firstShown = msecs;
                if (now && previous)
                    QVERIFY2(std::abs(*now - *previous) <= 0.1 * *previous,
                             qPrintable(QStringLiteral("jump at %1 ms").arg(msecs)));
                if (left)
                    QVERIFY2(*left > 0, qPrintable(QStringLiteral("0 s left at %1 ms").arg(msecs)));
                previous = now;
            }
        }
        QCOMPARE(firstShown, firstShownMsecs);
        const auto last = rate.bytesPerSecond();
        if (rateAtEnd == 0) {
            QVERIFY(!last || reported == byteCount);
        } else {
            QVERIFY(last);
            QVERIFY2(std::abs(*last - rateAtEnd) < 0.05 * rateAtEnd,
                     qPrintable(QString::number(*last)));
        }
    }
};

QTEST_GUILESS_MAIN(tst_TransferRate)
#include "tst_TransferRate.moc"
