#include "ModelRig.h"

#include "DownloadWatcher.h"
#include "KeychainTokenStore.h"
#include "TestSupport.h"
#include "UploadStore.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QtTest>

using namespace Parcella;
using namespace Parcella::Testing;
using namespace std::chrono_literals;
using ParcelKit::Delivery;
using ParcelKit::Transfer;
using ParcelKit::UploadState;
using ParcelKit::Testing::await;
using ParcelKit::Testing::spinUntil;

namespace {

QStringList transferIDs(const QList<Transfer>& transfers) {
    QStringList ids;
    for (const Transfer& transfer : transfers)
        ids.append(transfer.id);
    return ids;
}

QJsonObject fault(const QString& method, const QString& path, int status, int delayMs = 0) {
    QJsonObject rule{{"method", method}, {"path", path}};
    if (status)
        rule.insert("status", status);
    if (delayMs)
        rule.insert("delayMs", delayMs);
    return rule;
}

} // namespace

class tst_AppModel : public QObject {
    Q_OBJECT

private slots:
    void signInByBrowserCancelAndReplace() {
        ModelRig rig;
        rig.settings->setValue("selectedWorkspaceID", QVariantMap{{"not", "text"}});
        AppModel& model = rig.start();
        QCOMPARE(model.selectedWorkspaceID(), std::nullopt);

        // A browser that never answers: cancelling ends the sign-in silently, and so does a second
        // sign-in for the first one.
        rig.browserAllows = false;
        QSignalSpy signingIn(&model, &AppModel::isSigningInChanged);
        auto first = model.signIn();
        auto second = model.signIn();
        QVERIFY(model.isSigningIn());
        model.cancelSignIn();
        await(std::move(first));
        await(std::move(second));
        QVERIFY(!model.isSigningIn());
        QCOMPARE(signingIn.size(), 2); // up once, down once
        QCOMPARE(model.notice(), std::nullopt);
        QVERIFY(!model.auth().isSignedIn());

        rig.browserAllows = true;
        QVERIFY(rig.signIn());
        QVERIFY(model.isWelcoming());
        QCOMPARE(model.me()->workspaces.size(), 2);
        QCOMPARE(model.workspace()->id, QString("studio"));
        QCOMPARE(rig.settings->value("selectedWorkspaceID").toString(), QString("studio"));
        // The reload that choosing the workspace started may still run.
        QVERIFY(spinUntil([&] { return !model.isLoadingTransfers(); }));
        QVERIFY(model.transfers().isEmpty());
    }

    void linkTransferChangedAndDeletedThenEmailTransfer() {
        ModelRig rig;
        AppModel& model = rig.start();
        QVERIFY(rig.signIn());
        rig.enqueue({"report.pdf"}, 300 * 1024);
        QCOMPARE(model.visibleUploadsModel()->rowCount(), 1);

        const auto created = rig.sendAndWait({.subject = "  Quarterly  "});
        QVERIFY(created && created->url);
        QCOMPARE(QGuiApplication::clipboard()->text(), created->url->toString(QUrl::FullyEncoded));
        QCOMPARE(model.copiedTransferID(), created->id);
        QCOMPARE(transferIDs(model.transfers()).value(0), created->id);
        QCOMPARE(model.transfersModel()->rowCount(), 1);
        QCOMPARE(model.pending(), std::nullopt);
        QVERIFY(model.queue().items().isEmpty());
        QVERIFY(spinUntil([&] { return !QFile::exists(rig.pendingFile()); }));
        QCOMPARE(model.form().delivery, Delivery::link);
        QCOMPARE(model.form().subject, QString());

        await(model.changeExpiry(*created, 3));
        QVERIFY(model.transfers().first().expiresAt > created->expiresAt.addingSeconds(-5 * 86400));
        QVERIFY(model.transfers().first().expiresAt < created->expiresAt);
        QCOMPARE(model.lastCreated(), model.transfers().first());

        await(model.deleteTransfer(model.transfers().first()));
        QCOMPARE(model.lastCreated(), std::nullopt);
        QCOMPARE(model.transfers().size(), 1);
        QVERIFY(model.transfers().first().revokedAt);
        QCOMPARE(model.notice(), std::nullopt);

        // An e-mail transfer copies nothing and keeps the delivery and expiry for the next one.
        QVERIFY(spinUntil([&] { return !model.copiedTransferID(); }, 5s));
        rig.enqueue({"a.txt", "b.txt"}, 1000);
        QGuiApplication::clipboard()->setText("before");

        const auto email =
            rig.sendAndWait({.delivery = Delivery::email,
                             .recipients = "one@example.org; two@example.org,three@example.org",
                             .expiresInDays = 9});
        QVERIFY(email);
        QCOMPARE(email->delivery, Delivery::email);
        QCOMPARE(email->recipients.size(), 3);
        QCOMPARE(email->files.size(), 2);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("before"));
        QCOMPARE(model.copiedTransferID(), std::nullopt);
        QCOMPARE(model.form().delivery, Delivery::email);
        QCOMPARE(model.form().expiresInDays, 9);
        QCOMPARE(model.form().recipients, QString());
    }

    void restartKeepsStalledSendAndItsPassword() {
        ModelRig rig;
        rig.start();
        QVERIFY(rig.signIn());
        rig.enqueue({"secret.bin"}, 10 * 1024);
        QVERIFY(spinUntil([&] { return !rig.model->isUploading(); }));
        rig.addFault(fault("POST", "/api/v1/workspaces/studio/transfers$", 500));

        rig.model->setForm({.protection = Protection::password, .password = "  open sesame"});
        await(rig.model->send());
        QVERIFY(spinUntil([&] { return !rig.model->isSending(); }));
        QVERIFY(rig.model->notice()); // the failed creation
        const auto pending = rig.model->pending();
        QVERIFY(pending);

        rig.start(); // a restart on the same folder and keyring
        AppModel& model = *rig.model;
        QCOMPARE(model.pending(), pending);
        QCOMPARE(rig.pendingStore().readPassword(), QString("  open sesame"));
        QVERIFY(!model.canSend());
        await(model.loadAccount());
        model.resumePendingSend();
        QVERIFY(spinUntil([&] { return model.lastCreated().has_value(); }, 30s));
        QCOMPARE(model.lastCreated()->protection, QString("password"));
        QVERIFY(spinUntil([&] {
            return !QFile::exists(rig.pendingFile()) && !rig.pendingStore().readPassword();
        }));
    }

    void discardRestoresFormOnlyWithoutOtherUploads_data() {
        QTest::addColumn<bool>("otherUploads");
        QTest::newRow("alone") << false;
        QTest::newRow("with other uploads") << true;
    }

    void discardRestoresFormOnlyWithoutOtherUploads() {
        QFETCH(bool, otherUploads);
        ModelRig rig;
        AppModel& model = rig.start();
        QVERIFY(rig.signIn());
        rig.network->signal().setOnline(false);
        const QUuid held = rig.enqueue({"held.bin"}, 1000).first();
        model.setForm({.subject = "Kept subject"});
        await(model.send());
        QVERIFY(model.isSending());
        QVERIFY(spinUntil([&] { return QFile::exists(rig.pendingFile()); }));
        if (otherUploads)
            rig.enqueue({"other.bin"}, 1000);

        model.discardPendingSend();
        QCOMPARE(model.pending(), std::nullopt);
        QCOMPARE(model.form().subject, otherUploads ? QString() : QString("Kept subject"));
        QCOMPARE(model.uploads().first().id, held);
        QVERIFY(spinUntil([&] { return !QFile::exists(rig.pendingFile()) && !model.isSending(); }));
    }

    void cancellingOneOfThreePendingUploads() {
        ModelRig rig;
        AppModel& model = rig.start();
        QVERIFY(rig.signIn());
        rig.network->signal().setOnline(false);
        const QList<QUuid> ids = rig.enqueue({"1.bin", "2.bin", "3.bin"}, 4000);
        model.setForm({});
        await(model.send());
        QCOMPARE(model.pending()->itemIDs, ids);
        QCOMPARE(model.pendingItemsModel()->rowCount(), 3);

        model.queue().cancel(ids[1]);
        const QList<QUuid> kept{ids[0], ids[2]};
        QVERIFY(spinUntil([&] {
            const auto stored = rig.pendingStore().load();
            return stored && stored->itemIDs == kept;
        }));
        QCOMPARE(model.pending()->itemIDs, kept);
        QCOMPARE(model.pendingItemsModel()->rowCount(), 2);

        rig.network->signal().setOnline(true);
        QVERIFY(spinUntil([&] { return model.lastCreated().has_value(); }, 30s));
        QCOMPARE(model.lastCreated()->files.size(), 2);
    }

    void signOutDuringUploadsLeavesNothing() {
        ModelRig rig;
        AppModel& model = rig.start();
        QVERIFY(rig.signIn());
        rig.addFault(
            {{"method", "PUT"}, {"pathPrefix", "/ws-studio/"}, {"delayMs", 3000}, {"count", 4}});
        rig.enqueue({"big.bin"}, 20 * 1024 * 1024);
        model.setForm({.protection = Protection::password, .password = "hunter22"});
        await(model.send());
        QVERIFY(spinUntil([&] { return rig.pendingStore().readPassword().has_value(); }));
        QVERIFY(model.isUploading());

        await(model.signOut(), 60s);
        QVERIFY(!model.auth().isSignedIn());
        QCOMPARE(model.me(), std::nullopt);
        QCOMPARE(model.pending(), std::nullopt);
        QVERIFY(model.queue().items().isEmpty());
        QVERIFY(model.uploadsModel()->rowCount() == 0 &&
                model.pendingItemsModel()->rowCount() == 0);
        QCOMPARE(model.selectedWorkspaceID(), QString("studio"));
        QVERIFY(spinUntil([&] {
            return !QFile::exists(rig.pendingFile()) && !rig.pendingStore().readPassword();
        }));
        const ParcelKit::UploadStore uploads(QUrl::fromLocalFile(rig.dir.filePath("uploads.json")));
        QVERIFY(spinUntil([&] { return uploads.load().isEmpty(); }));
        QVERIFY(
            spinUntil([&] { return !ParcelKit::KeychainTokenStore(rig.keychainService).load(); }));
    }

    void switchingWorkspaceDuringListRequest() {
        ModelRig rig;
        AppModel& model = rig.start();
        QVERIFY(rig.signIn());
        rig.enqueue({"a.bin"}, 1000);
        const auto created = rig.sendAndWait({});
        QVERIFY(created);

        rig.addFault(fault("GET", "/api/v1/workspaces/studio/transfers$", 0, 1500));
        auto slowStudio = model.loadTransfers();
        QVERIFY(model.isLoadingTransfers());
        model.setSelectedWorkspaceID(QString("personal"));
        QVERIFY(model.transfers().isEmpty());
        await(std::move(slowStudio));
        QVERIFY(spinUntil([&] { return !model.isLoadingTransfers(); }));
        QVERIFY(model.transfers().isEmpty()); // the studio's late list is dropped

        // The same id again rewrites the setting but keeps the list.
        model.setSelectedWorkspaceID(QString("studio"));
        QVERIFY(spinUntil([&] { return !model.transfers().isEmpty(); }));
        rig.settings->remove("selectedWorkspaceID");
        QSignalSpy cleared(&model, &AppModel::transfersChanged);
        model.setSelectedWorkspaceID(QString("studio"));
        QCOMPARE(rig.settings->value("selectedWorkspaceID").toString(), QString("studio"));
        QCOMPARE(cleared.size(), 0);
        QCOMPARE(transferIDs(model.transfers()), QStringList({created->id}));
    }

    void copyLinkTwiceWithinTwoSeconds() {
        ModelRig rig;
        AppModel& model = rig.start();
        const Transfer first{.id = "t-first", .url = QUrl("http://127.0.0.1/t/first")};
        const Transfer second{.id = "t-second", .url = QUrl("http://127.0.0.1/t/second")};
        const Transfer without{.id = "t-none"};

        QElapsedTimer clock;
        clock.start();
        QList<std::pair<qint64, std::optional<QString>>> changes;
        connect(&model, &AppModel::copiedTransferIDChanged, this, [&] {
            changes.append({clock.elapsed(), model.copiedTransferID()});
        });
        model.copyLink(first);
        QTest::qWait(1000);
        const qint64 secondAt = clock.elapsed();
        model.copyLink(second);
        model.copyLink(without);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("http://127.0.0.1/t/second"));
        QVERIFY(spinUntil([&] { return !model.copiedTransferID(); }, 5s));
        // The first copy's reset left the second alone; the second ended after its own two seconds.
        QCOMPARE(changes.size(), 3);
        QCOMPARE(changes[1].second, QString("t-second"));
        QVERIFY(changes[2].first - secondAt >= 1990);
    }

    void finishedUploadAgesOutWhileShown() {
        ModelRig rig;
        ParcelKit::UploadRecord record;
        record.item.id = QUuid::createUuid();
        record.item.filename = "old.bin";
        record.item.byteCount = record.item.bytesSent = 10;
        record.item.state = UploadState::finished("upload-old");
        record.item.workspaceID = "studio";
        record.item.finishedAt = ParcelKit::Timestamp::now().addingSeconds(-561'599);
        record.path = rig.writeFile("old.bin", 10);
        record.partSize = 16 * 1024 * 1024;
        const ParcelKit::UploadStore store(QUrl::fromLocalFile(rig.dir.filePath("uploads.json")));
        store.save({record});
        store.waitForPendingSaves();

        AppModel& model = rig.start();
        QVERIFY(rig.signIn());
        QCOMPARE(model.visibleUploads().size(), 1);
        QCOMPARE(model.totalBytes(), 10);
        QVERIFY(spinUntil([&] { return model.visibleUploads().isEmpty(); }, 5s));
        QCOMPARE(model.uploads().size(), 1);
        QCOMPARE(model.visibleUploadsModel()->rowCount(), 0);
    }

    void rateAndTimeLeftClearWhenBytesStopFlowing() {
        ModelRig rig;
        AppModel& model = rig.start();
        QVERIFY(rig.signIn());
        model.setUploadRateLimit(400'000);
        // The completion waits: every byte is sent, yet the upload goes on without progress.
        rig.addFault({{"method", "POST"},
                      {"pathPrefix", "/ws-studio/"},
                      {"query", "uploadId="},
                      {"delayMs", 8000}});
        const QUuid id = rig.enqueue({"slow.bin"}, 1'600'000).value(0);
        const auto pace = [&] {
            const int role = model.uploadsModel()->roleNames().key("pace");
            return model.uploadsModel()->index(0).data(role).toString();
        };
        QVERIFY(spinUntil([&] { return model.secondsLeft() && pace().contains("/s"); }, 10s));
        QVERIFY(spinUntil([&] { return !model.secondsLeft() && pace().isEmpty(); }, 10s));
        QVERIFY(model.isUploading());
        model.queue().cancel(id);
    }

    void pollPassFailingInOneWorkspaceStoresNothing() {
        ModelRig rig;
        rig.pollInterval = 100ms;
        AppModel& model = rig.start();
        QVERIFY(rig.signIn()); // starts the poll
        QJsonObject failing = fault("GET", "/api/v1/workspaces/personal/transfers$", 500);
        failing.insert("count", 100000);
        rig.addFault(failing);
        rig.enqueue({"a.bin"}, 1000);
        const auto created = rig.sendAndWait({});
        QVERIFY(created);
        QCOMPARE(rig.settings->value(DownloadWatcher::countsKey).toMap().value(created->id), 0);

        // While the personal workspace's listing fails, passes store and report nothing.
        rig.settings->setValue(DownloadWatcher::countsKey, QVariantMap{{"elsewhere", 5}});
        QTest::qWait(500);
        QCOMPARE(rig.settings->value(DownloadWatcher::countsKey).toMap().keys(),
                 QStringList({"elsewhere"}));
        QCOMPARE(model.notice(), std::nullopt);

        rig.clearFaults();
        QVERIFY(spinUntil([&] {
            return rig.settings->value(DownloadWatcher::countsKey).toMap().keys() ==
                   QStringList({created->id});
        }));
        QCOMPARE(transferIDs(model.transfers()), QStringList({created->id}));
    }

    void damagedStateAndNonsenseAnswers() {
        ModelRig rig;
        {
            QFile damaged(rig.pendingFile());
            QVERIFY(damaged.open(QIODevice::WriteOnly));
            damaged.write(R"({"itemIDs": ["not-a-uuid"], "workspaceID": 7})");
        }
        AppModel& model = rig.start();
        QCOMPARE(model.pending(), std::nullopt);
        QCOMPARE(model.notice(), std::nullopt);
        QVERIFY(rig.signIn());

        rig.addFault(fault("GET", "/api/v1/me$", 200));
        await(model.loadAccount());
        QCOMPARE(model.notice(), QString("The server sent an answer the app doesn't understand."));
        QVERIFY(model.me());

        rig.addFault(fault("GET", "/api/v1/me$", 401));
        rig.addFault(fault("GET", "/api/v1/me$", 401));
        await(model.loadAccount());
        QCOMPARE(model.notice(), QString("You are not signed in."));
        QCOMPARE(model.me(), std::nullopt);
        QVERIFY(model.uploads().isEmpty());
    }

    void serviceFromTheEnvironment_data() {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("baseURL");
        QTest::addColumn<bool>("notice");
        const QString installed =
            ParcelKit::ParcellaConfiguration::fromInstalledInfo().baseURL.toString();
        QTest::newRow("unset") << QString() << installed << false;
        QTest::newRow("loopback http") << "http://127.0.0.1:9/"
                                       << "http://127.0.0.1:9/" << false;
        QTest::newRow("remote http") << "http://192.0.2.1:8750" << installed << true;
        QTest::newRow("nonsense") << "::" << installed << true;
    }

    void serviceFromTheEnvironment() {
        QFETCH(QString, variable);
        QFETCH(QString, baseURL);
        QFETCH(bool, notice);
        QTemporaryDir folder;
        qputenv("PARCELLA_SERVICE_URL", variable.toUtf8());
        AppModel model({.storageFolder = folder.path(),
                        .settings = std::make_shared<QSettings>(folder.filePath("s.ini"),
                                                                QSettings::IniFormat),
                        .keychainService = "app.parcella.test.environment"});
        qunsetenv("PARCELLA_SERVICE_URL");
        QCOMPARE(model.configuration().baseURL.toString(), baseURL);
        QCOMPARE(model.notice().has_value(), notice);
    }
};

QTEST_MAIN(tst_AppModel)
#include "tst_AppModel.moc"
