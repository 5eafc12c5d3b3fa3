#include "DisplayName.h"
#include "ParcelKitError.h"
#include "PopoverPlacement.h"
#include "RecentTransfersModel.h"
#include "SignInIllustration.h"
#include "StatusItemController.h"
#include "TransferRows.h"
#include "TransferStatusLine.h"
#include "Translations.h"
#include "UploadStatusLine.h"

#include <QPainter>
#include <QTest>
#include <QTranslator>

#include <functional>

using namespace Parcella;

namespace {

// One transfer per letter, named t0, t1, …: "s" sent, "u" not sent yet.
QList<ParcelKit::Transfer> transfers(const QString& kinds, const QString& prefix = "t") {
    QList<ParcelKit::Transfer> list;
    for (qsizetype i = 0; i < kinds.size(); ++i)
        list.append({.id = prefix + QString::number(i),
                     .sentAt = kinds[i] == u's' ? std::optional(ParcelKit::Timestamp::now())
                                                : std::nullopt});
    return list;
}

QStringList ids(const QAbstractItemModel& model) {
    QStringList ids;
    const int role = model.roleNames().key("transferID");
    for (int row = 0; row < model.rowCount(); ++row)
        ids.append(model.index(row, 0).data(role).toString());
    return ids;
}

QImage illustration(bool isConnected, bool isDark) {
    QImage image(272, 208, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    SignInIllustration::draw(painter, image.size(), isConnected, IsoPalette::forScheme(isDark));
    return image;
}

} // namespace

// The rules behind the tray item and the popover: where it opens, what the tool tip says, the
// upload rows' and transfers' status lines, which transfers are listed and the artwork.
class PopoverRulesTest : public QObject {
    Q_OBJECT

private slots:
    void placesInsideTheScreen_data() {
        QTest::addColumn<std::optional<QRect>>("icon");
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<QPoint>("topLeft");
        // A 1920 × 1080 screen with a 30 px panel at the top.
        const QPoint anywhere(5, 5);
        QTest::newRow("under an icon in a top panel")
            << std::optional(QRect(1000, 3, 24, 24)) << anywhere << QPoint(832, 30);
        QTest::newRow("over an icon in a bottom panel")
            << std::optional(QRect(1000, 1050, 24, 24)) << anywhere << QPoint(832, 490);
        QTest::newRow("icon at the right edge")
            << std::optional(QRect(1900, 3, 20, 24)) << anywhere << QPoint(1560, 30);
        QTest::newRow("icon at the left edge")
            << std::optional(QRect(0, 3, 20, 24)) << anywhere << QPoint(0, 30);
        QTest::newRow("no geometry: at the pointer")
            << std::optional<QRect>() << QPoint(700, 10) << QPoint(520, 30);
        QTest::newRow("empty geometry: at the pointer")
            << std::optional(QRect()) << QPoint(1910, 1075) << QPoint(1560, 515);
    }
    void placesInsideTheScreen() {
        QFETCH(std::optional<QRect>, icon);
        QFETCH(QPoint, pointer);
        QFETCH(QPoint, topLeft);
        const QRect available(0, 30, 1920, 1050);
        const QRect placed = placePopover(QSize(360, 560), icon, pointer, available);
        QCOMPARE(placed.topLeft(), topLeft);
        QCOMPARE(placed.size(), QSize(360, 560));
        QVERIFY(available.contains(placed));
    }

    void toolTipShowsRoundedPercentage_data() {
        QTest::addColumn<bool>("uploading");
        QTest::addColumn<double>("progress");
        QTest::addColumn<qint64>("secondsLeft"); // -1: not known yet
        QTest::addColumn<QString>("expected");
        QTest::newRow("idle") << false << 0.5 << qint64(60) << "Parcella";
        QTest::newRow("41.6 %") << true << 0.416 << qint64(-1) << "Parcella — 42\u00A0%";
        QTest::newRow("just begun") << true << 0.004 << qint64(-1) << "Parcella — 0\u00A0%";
        QTest::newRow("beyond the end") << true << 1.3 << qint64(-1) << "Parcella — 100\u00A0%";
        QTest::newRow("minutes left, rounded up")
            << true << 0.416 << qint64(121) << "Parcella — 42\u00A0% · 3 min left";
        QTest::newRow("seconds left")
            << true << 0.99 << qint64(1) << "Parcella — 99\u00A0% · 1 s left";
        QTest::newRow("hours left")
            << true << 0.1 << qint64(3 * 3600 + 301) << "Parcella — 10\u00A0% · 3 h 6 min left";
    }
    void toolTipShowsRoundedPercentage() {
        QFETCH(bool, uploading);
        QFETCH(double, progress);
        QFETCH(qint64, secondsLeft);
        QFETCH(QString, expected);
        QCOMPARE(StatusItemController::toolTip(uploading, progress,
                                               secondsLeft < 0 ? std::nullopt
                                                               : std::optional<qint64>(secondsLeft),
                                               QLocale("en_US")),
                 expected);
    }

    void uploadStatusLines_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<qint64>("sent");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<qint64>("finishedSecondsAgo");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("alert");
        QTest::newRow("queued") << "queued" << 0ll << 12'300'000ll << 0ll << "Waiting · 12.3 MB"
                                << false;
        QTest::newRow("uploading") << "uploading" << 1'500'000ll << 12'300'000ll << 0ll
                                   << "1.5 MB of 12.3 MB · 8.1 MB/s · 2 min left" << false;
        QTest::newRow("uploading nothing")
            << "uploading" << 0ll << 0ll << 0ll << "Zero kB of Zero kB" << false;
        QTest::newRow("finished 6.5 days ago")
            << "finished" << 0ll << 2'000ll << 561'600ll << "Uploaded · 2.0 kB" << false;
        QTest::newRow("finished 6 days 13 hours ago")
            << "finished" << 0ll << 2'000ll << 6 * 86'400ll + 13 * 3'600ll
            << "Expired after 7 days without being sent. Remove it and add it again." << true;
        QTest::newRow("failed") << "failed" << 0ll << 1ll << 0ll << "The file is gone." << true;
        QTest::newRow("cancelled") << "cancelled" << 1ll << 1ll << 0ll << "Cancelled" << false;
    }
    void uploadStatusLines() {
        QFETCH(QString, state);
        QFETCH(qint64, sent);
        QFETCH(qint64, count);
        QFETCH(qint64, finishedSecondsAgo);
        QFETCH(QString, text);
        QFETCH(bool, alert);
        QLocale::setDefault(QLocale("en_US"));
        const QDateTime now(QDate(2025, 3, 1), QTime(12, 0), Qt::UTC);
        // Rows with bytes sent carry a pace; only an upload shows it.
        const auto line = UploadStatusLine::of(
            state, sent, count, "The file is gone.", now.addSecs(-finishedSecondsAgo), now,
            sent > 0 ? QStringLiteral("8.1 MB/s · 2 min left") : QString());
        QCOMPARE(line.text, text);
        QCOMPARE(line.isAlert, alert);
    }

    void transferStatusLines_data() {
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<qint64>("expiresInSeconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("open") << false << 86'400ll << "0 downloads · 3 views · until Mar 1, 2025";
        QTest::newRow("expired") << false << -1ll << "Expired";
        QTest::newRow("deleted and expired") << true << -1ll << "Deleted";
        QTest::newRow("deleted") << true << 86'400ll << "Deleted";
    }
    void transferStatusLines() {
        QFETCH(bool, deleted);
        QFETCH(qint64, expiresInSeconds);
        QFETCH(QString, text);
        const QDateTime expiry(QDate(2025, 3, 1), QTime(12, 0));
        QCOMPARE(TransferStatusLine::of(deleted, expiry, 0, 3, expiry.addSecs(-expiresInSeconds),
                                        QLocale("en_US")),
                 text);
    }

    // The built-in tables, installed as at start, through the code that makes the texts.
    void textsInTheUsersLanguage() {
        const auto in = [](const char* locale, const std::function<QString()>& make) {
            QLocale::setDefault(QLocale(locale));
            Translations::install(*qApp, QLocale(locale));
            const QString made = make();
            qDeleteAll(qApp->findChildren<QTranslator*>());
            return made;
        };
        const QDateTime expiry(QDate(2025, 3, 1), QTime(12, 0));
        const auto status = [expiry](qint64 downloads, qint64 views, const char* locale) {
            return [=] {
                return TransferStatusLine::of(false, expiry, downloads, views, expiry.addDays(-1),
                                              QLocale(locale));
            };
        };
        ParcelKit::Transfer twoFiles;
        twoFiles.files = {{"f1", "a.txt", 1}, {"f2", "b.txt", 1}};
        QCOMPARE(in("de_DE", [] { return ParcelKit::ParcelKitError::server(500).userText(); }),
                 "Der Server hat mit Fehler 500 geantwortet.");
        QCOMPARE(in("de_DE", status(0, 3, "de_DE")), "0 Downloads · 3 Aufrufe · bis 1. März 2025");
        QCOMPARE(in("de_DE", status(1, 2, "de_DE")), "1 Download · 2 Aufrufe · bis 1. März 2025");
        QCOMPARE(in("de_DE", [&] { return displayName(twoFiles); }), "2 Dateien");
        const auto queued = [&] {
            return UploadStatusLine::of("queued", 0, 12'300'000, {}, {}, expiry, {}).text;
        };
        QCOMPARE(in("de_DE", queued), "Wartet · 12,3 MB");
        QCOMPARE(in("en_US", status(1, 2, "en_US")), "1 download · 2 views · until Mar 1, 2025");
        // No table for French: the English texts.
        QCOMPARE(in("fr_FR", status(1, 0, "en_US")), "1 download · 0 views · until Mar 1, 2025");
    }

    void recentTransfersAreTheFirstSentOnes_data() {
        QTest::addColumn<QString>("kinds");
        QTest::addColumn<QStringList>("shown");
        // Then one more is sent and comes first.
        QTest::addColumn<QStringList>("shownAfterAnother");
        QTest::newRow("ten sent") << "ssssssssss"
                                  << QStringList{"t0", "t1", "t2", "t3", "t4", "t5", "t6", "t7"}
                                  << QStringList{"n0", "t0", "t1", "t2", "t3", "t4", "t5", "t6"};
        QTest::newRow("the newest not sent")
            << "usssssssss" << QStringList{"t1", "t2", "t3", "t4", "t5", "t6", "t7", "t8"}
            << QStringList{"n0", "t1", "t2", "t3", "t4", "t5", "t6", "t7"};
        QTest::newRow("fewer than eight")
            << "susu" << QStringList{"t0", "t2"} << QStringList{"n0", "t0", "t2"};
        QTest::newRow("none sent") << "uu" << QStringList{} << QStringList{"n0"};
    }
    void recentTransfersAreTheFirstSentOnes() {
        QFETCH(QString, kinds);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, shownAfterAnother);
        DiffListModel source(TransferRows::roleNames());
        RecentTransfersModel recent;
        recent.setSourceModel(&source);
        QCOMPARE(recent.limit(), 8);
        source.setRows(TransferRows::rows(transfers(kinds)));
        QCOMPARE(ids(recent), shown);
        source.setRows(TransferRows::rows(transfers("s", "n") + transfers(kinds)));
        QCOMPARE(ids(recent), shownAfterAnother);
    }

    void illustrationShowsConnectionAndScheme() {
        // A spot on the slab's top face, clear of the other blocks and the artwork.
        const auto top = [](const QImage& image) { return qGray(image.pixel(188, 158)); };
        const QImage light = illustration(false, false), dark = illustration(false, true);
        QCOMPARE(top(light), 255);
        QCOMPARE(top(dark), 45);
        QVERIFY(illustration(true, false) != light);
        QVERIFY(illustration(true, true) != dark);
        QCOMPARE(top(illustration(true, false)), 255);
        QCOMPARE(top(illustration(true, true)), 45);
    }
};

QTEST_MAIN(PopoverRulesTest)
#include "tst_PopoverRules.moc"
