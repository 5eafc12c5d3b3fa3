#include "DiffListModel.h"
#include "UploadLists.h"
#include "UploadRows.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

using namespace Parcella;
using ParcelKit::Timestamp;
using ParcelKit::UploadItem;
using ParcelKit::UploadState;

namespace {

UploadItem item(int n, UploadState state = UploadState::uploading(), qint64 sent = 0,
                QString workspace = "studio") {
    return {.id = QUuid(QString("00000000-0000-4000-8000-%1").arg(n, 12, 10, QChar('0'))),
            .filename = QString("file%1.bin").arg(n),
            .byteCount = 1000,
            .bytesSent = sent,
            .state = state,
            .workspaceID = workspace};
}

QStringList keysOf(const DiffListModel& model) {
    QStringList keys;
    for (int row = 0; row < model.rowCount(); ++row)
        keys.append(model.data(model.index(row), Qt::UserRole + 1).toString());
    return keys;
}

} // namespace

class tst_ModelLists : public QObject {
    Q_OBJECT

private slots:
    void progressTickChangesOnlyMovedRowsAndRoles() {
        DiffListModel model(UploadRows::roleNames());
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QList<UploadItem> items{item(1), item(2), item(3)};
        model.setRows(UploadRows::rows(items));

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy reset(&model, &QAbstractItemModel::modelAboutToBeReset);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        items[1].bytesSent = 400;
        model.setRows(UploadRows::rows(items));
        model.setRows(UploadRows::rows(items)); // an unchanged tick says nothing

        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][0].toModelIndex().row(), 1);
        QCOMPARE(changed[0][1].toModelIndex().row(), 1);
        const auto roles = model.roleNames();
        QCOMPARE(changed[0][2].value<QList<int>>(),
                 (QList<int>{roles.key("bytesSent"), roles.key("fraction")}));
        QCOMPARE(reset.size() + inserted.size() + removed.size(), 0);
    }

    void reshapingKeepsRowsByKey_data() {
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<QList<int>>("after");
        QTest::newRow("append") << QList<int>{1, 2} << QList<int>{1, 2, 3};
        QTest::newRow("remove middle") << QList<int>{1, 2, 3} << QList<int>{1, 3};
        QTest::newRow("move to front") << QList<int>{1, 2, 3} << QList<int>{3, 1, 2};
        QTest::newRow("replace all") << QList<int>{1, 2} << QList<int>{4, 5, 6};
        QTest::newRow("reverse with removal") << QList<int>{1, 2, 3, 4} << QList<int>{4, 2, 1};
        QTest::newRow("duplicate keys") << QList<int>{1, 1, 2} << QList<int>{2, 1, 1, 1};
        QTest::newRow("empty") << QList<int>{1, 2} << QList<int>{};
    }

    void reshapingKeepsRowsByKey() {
        QFETCH(QList<int>, before);
        QFETCH(QList<int>, after);
        const auto rows = [](const QList<int>& numbers) {
            QList<UploadItem> items;
            for (int n : numbers)
                items.append(item(n));
            return UploadRows::rows(items);
        };
        DiffListModel model(UploadRows::roleNames());
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRows(rows(before));
        QSignalSpy reset(&model, &QAbstractItemModel::modelAboutToBeReset);
        model.setRows(rows(after));

        QStringList expected;
        for (const auto& row : rows(after))
            expected.append(row.key);
        QCOMPARE(keysOf(model), expected);
        QCOMPARE(reset.size(), 0);
    }

    void finishedUploadsExpireAfterSixAndAHalfDays() {
        const Timestamp now = Timestamp::now();
        UploadItem atLimit = item(1, UploadState::finished("u1"), 1000);
        atLimit.finishedAt = now.addingSeconds(-561'600);
        UploadItem beyond = item(2, UploadState::finished("u2"), 1000);
        beyond.finishedAt = now.addingSeconds(-561'601);
        UploadItem undated = item(3, UploadState::finished("u3"), 1000);
        const UploadItem cancelled = item(4, UploadState::cancelled());

        const auto lists =
            UploadLists::of({atLimit, beyond, undated, cancelled}, "studio", std::nullopt, now);
        QCOMPARE(lists.uploads.size(), 4);
        QCOMPARE(lists.visibleUploads, QList<UploadItem>({atLimit, undated}));
    }

    void totalsOverWorkspaceAndPendingSend() {
        const Timestamp now = Timestamp::now();
        const UploadItem overshooting = item(1, UploadState::uploading(), 1500);
        const UploadItem other = item(2, UploadState::queued(), 0, "personal");
        const UploadItem pendingOne = item(3, UploadState::uploading(), 500);
        const UploadItem failed = item(4, UploadState::failed("no"));
        const PendingSend pending{.itemIDs = {pendingOne.id, QUuid::createUuid()}};

        const auto lists =
            UploadLists::of({overshooting, other, pendingOne, failed}, "studio", pending, now);
        QCOMPARE(lists.uploads.size(), 2); // the pending one and the other workspace's are out
        QCOMPARE(lists.pendingItems.size(), 1);
        QVERIFY(lists.isUploading);
        QCOMPARE(lists.progress, 0.75); // overshoot counts as full: (1000 + 500) / 2000
        QVERIFY(lists.hasFailedUploads);
        QCOMPARE(lists.totalBytes, 2000);

        const auto idle = UploadLists::of({failed}, "studio", std::nullopt, now);
        QCOMPARE(idle.progress, 0.0);
        QVERIFY(!idle.isUploading);
        QVERIFY(UploadLists::of({overshooting}, std::nullopt, std::nullopt, now).uploads.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_ModelLists)
#include "tst_ModelLists.moc"
