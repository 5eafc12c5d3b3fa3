#include "DownloadWatcher.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Parcella;
using ParcelKit::Timestamp;
using ParcelKit::Transfer;

namespace {

Transfer transfer(const QString& id, qint64 downloads, std::optional<Timestamp> sentAt) {
    return {.id = id, .sentAt = sentAt, .downloadCount = downloads};
}

QStringList ids(const QList<Transfer>& transfers) {
    QStringList ids;
    for (const Transfer& transfer : transfers)
        ids.append(transfer.id);
    return ids;
}

} // namespace

class tst_DownloadWatcher : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void announcesEachFirstDownloadOnce() {
        DownloadWatcher watcher(settings());
        watcher.remember(transfer("t1", 0, std::nullopt));
        const Timestamp old = Timestamp::now().addingSeconds(-86'400);
        QCOMPARE(ids(watcher.firstDownloads({transfer("t1", 0, old)})), QStringList());
        QCOMPARE(ids(watcher.firstDownloads({transfer("t1", 1, old)})), QStringList({"t1"}));
        QCOMPARE(ids(watcher.firstDownloads({transfer("t1", 2, old)})), QStringList());

        // A pass forgets what it did not list; a fresh watcher over the same settings remembers.
        QCOMPARE(ids(DownloadWatcher(settings()).firstDownloads({transfer("t1", 3, old)})),
                 QStringList());
    }

    void neverSeenTransfersCountFromSince() {
        const QDateTime since = QDateTime::currentDateTimeUtc().addDays(-1);
        settings()->setValue(DownloadWatcher::sinceKey, since);
        DownloadWatcher watcher(settings());
        QCOMPARE(settings()->value(DownloadWatcher::sinceKey).toDateTime(),
                 since); // never rewritten

        const Timestamp at = Timestamp::fromDateTime(since);
        const Transfer createdOnly{
            .id = "created", .createdAt = at.addingSeconds(60), .downloadCount = 1};
        const QList<Transfer> listed{transfer("before", 1, at.addingSeconds(-1)),
                                     transfer("exactly", 1, at), transfer("undownloaded", 0, at),
                                     transfer("undated", 1, std::nullopt), createdOnly};
        QCOMPARE(ids(watcher.firstDownloads(listed)), QStringList({"exactly", "created"}));
        QCOMPARE(ids(watcher.firstDownloads(listed)), QStringList());
        // Missing from one pass, it is new again when it comes back.
        watcher.firstDownloads({});
        QCOMPARE(ids(watcher.firstDownloads(listed)), QStringList({"exactly", "created"}));
    }

    void damagedValuesCountAsAbsent_data() {
        QTest::addColumn<QVariant>("counts");
        QTest::addColumn<QVariant>("since");
        QTest::newRow("counts not a map") << QVariant("t1=0") << QVariant();
        QTest::newRow("count not a number")
            << QVariant(QVariantMap{{"t1", "zero"}}) << QVariant(QDateTime::currentDateTimeUtc());
        QTest::newRow("since not a date") << QVariant() << QVariant("yesterday");
    }

    void damagedValuesCountAsAbsent() {
        QFETCH(QVariant, counts);
        QFETCH(QVariant, since);
        settings()->setValue(DownloadWatcher::countsKey, counts);
        settings()->setValue(DownloadWatcher::sinceKey, since);
        DownloadWatcher watcher(settings());
        // With no usable count for t1 it is judged as never seen; an old transfer is announced only
        // when "since" counts as the distant past.
        const auto found = ids(watcher.firstDownloads(
            {transfer("t1", 1, Timestamp::now().addingSeconds(-86'400 * 30))}));
        QCOMPARE(found,
                 since.typeId() == QMetaType::QDateTime ? QStringList() : QStringList({"t1"}));
    }

private:
    std::shared_ptr<QSettings> settings() {
        return std::make_shared<QSettings>(m_dir->filePath("settings.ini"), QSettings::IniFormat);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(tst_DownloadWatcher)
#include "tst_DownloadWatcher.moc"
