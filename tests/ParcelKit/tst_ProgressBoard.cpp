#include "ProgressBoard.h"

#include <QThread>
#include <QtTest>

#include <atomic>

using namespace ParcelKit;

class tst_ProgressBoard : public QObject {
    Q_OBJECT

private slots:
    void totalsArePerItemAndFollowTheCurrentAttempt() {
        ProgressBoard board;
        const QUuid item = QUuid::createUuid();
        const QUuid other = QUuid::createUuid();
        board.setBytes(item, 1, 0);
        auto report = board.reporter(item, 1);
        report(4000);
        board.setBytes(item, 2, 300);
        board.setBytes(other, 1, 7);
        QCOMPARE(board.total(item), 4300);
        QCOMPARE(board.total(other), 7);

        // A failed attempt drops to 0 and the retry climbs again from there, never adding up.
        board.setBytes(item, 1, 0);
        QCOMPARE(board.total(item), 300);
        report(1000);
        QCOMPARE(board.total(item), 1300);

        // A stored part leaves; unknown parts are passed over.
        board.removePart(item, 1);
        board.removePart(item, 3);
        QCOMPARE(board.total(item), 300);

        board.clear(item);
        QCOMPARE(board.total(item), 0);
        QCOMPARE(board.total(other), 7);
    }

    void concurrentReportersAndReader() {
        constexpr int parts = 4;
        constexpr qint64 steps = 20000;
        ProgressBoard board;
        const QUuid item = QUuid::createUuid();
        std::atomic<int> running = parts;
        std::atomic<bool> wentBackwards = false;

        std::vector<std::unique_ptr<QThread>> threads;
        for (int part = 1; part <= parts; ++part) {
            threads.emplace_back(QThread::create([&, part] {
                auto report = board.reporter(item, part);
                for (qint64 sent = 1; sent <= steps; ++sent)
                    report(sent);
                --running;
            }));
        }
        // Every part only climbs, so a consistent sum never decreases.
        threads.emplace_back(QThread::create([&] {
            qint64 last = 0;
            while (running > 0) {
                const qint64 now = board.total(item);
                if (now < last)
                    wentBackwards = true;
                last = now;
            }
        }));
        for (auto& thread : threads)
            thread->start();
        for (auto& thread : threads)
            thread->wait();
        QVERIFY(!wentBackwards);
        QCOMPARE(board.total(item), parts * steps);
    }
};

QTEST_GUILESS_MAIN(tst_ProgressBoard)
#include "tst_ProgressBoard.moc"
