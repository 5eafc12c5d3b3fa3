// File intake of the application model: files waiting while signed out, refused packages, and
// the URLs the running application is asked to open.
#include "ModelRig.h"
#include "SharedBatch.h"
#include "URLOpener.h"

#include "TestSupport.h"

#include <QtTest>

using namespace Parcella;
using namespace Parcella::Testing;
using ParcelKit::UploadItem;
using ParcelKit::Testing::await;
using ParcelKit::Testing::spinUntil;

namespace {

const QString bundleNotice =
    "Apps and other bundles can’t be sent as they are. Compress them first.";

QStringList fileNames(const QList<QUrl>& urls) {
    QStringList names;
    for (const QUrl& url : urls)
        names.append(url.fileName());
    return names;
}

} // namespace

class tst_AppModelIntake : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_data.isValid());
        qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
    }

    void filesWaitForSignInAndOpenedURLsInOrder() {
        ModelRig rig;
        rig.settings->setValue("selectedWorkspaceID", "personal");
        AppModel& model = rig.start();
        int popovers = 0;
        model.showPopover = [&] { ++popovers; };
        model.setWelcoming(true);

        // Only an application: refused, and the popover still shows why.
        QVERIFY(QDir().mkpath(rig.dir.filePath("Game.app/Contents")));
        const QUrl game = QUrl::fromLocalFile(rig.dir.filePath("Game.app"));
        model.addFiles({game});
        QVERIFY(spinUntil([&] { return popovers == 1; }));
        QCOMPARE(model.notice(), bundleNotice);
        QVERIFY(model.isWelcoming());
        model.setNotice(std::nullopt);

        // The other files of the same drop wait for the sign-in.
        model.addFiles({file(rig, "a.txt"), game, file(rig, "b.txt")});
        QVERIFY(spinUntil([&] { return popovers == 2; }));
        QCOMPARE(model.notice(), bundleNotice);
        QCOMPARE(fileNames(model.pendingFiles()), (QStringList{"a.txt", "b.txt"}));
        QVERIFY(!model.isWelcoming());
        QVERIFY(model.queue().items().isEmpty());

        QVERIFY(rig.signIn());
        QVERIFY(spinUntil([&] { return model.queue().items().size() == 2; }));
        QVERIFY(model.pendingFiles().isEmpty());
        for (const UploadItem& item : model.queue().items())
            QCOMPARE(item.workspaceID, QString("personal"));
        QCOMPARE(model.queue().items().first().filename, QString("a.txt"));

        // Signing out forgets files that still wait.
        await(model.signOut());
        model.addFiles({file(rig, "c.txt")});
        QVERIFY(spinUntil([&] { return model.pendingFiles().size() == 1; }));
        await(model.signOut());
        QVERIFY(model.pendingFiles().isEmpty());

        // URLs the running application is asked to open, signed out.
        popovers = 0;
        const QUuid id = SharedBatch::write({file(rig, "b1.txt"), file(rig, "b2.txt")});
        const QUrl lowerCase("parcella://send?batch=" +
                             id.toString(QUuid::WithoutBraces).toLower());
        const QUrl unknown = SharedBatch::url(QUuid::createUuid());
        URLOpener::open(model, {unknown, lowerCase, QUrl("https://127.0.0.1/x"),
                                file(rig, "f1.txt"), QUrl("parcella://open"), file(rig, "f2.txt")});
        // The files together, then the batch; the other parcella: URL opens the popover.
        QVERIFY(spinUntil([&] { return model.pendingFiles().size() == 4; }));
        QCOMPARE(fileNames(model.pendingFiles()),
                 (QStringList{"f1.txt", "f2.txt", "b1.txt", "b2.txt"}));
        QVERIFY(spinUntil([&] { return popovers == 3; }));

        URLOpener::open(model, {lowerCase});
        URLOpener::open(model, {QUrl::fromLocalFile(rig.dir.filePath("marker-missing"))});
        QVERIFY(spinUntil([&] { return popovers == 4; }));
        QCOMPARE(model.pendingFiles().size(), 4);
    }

private:
    QUrl file(ModelRig& rig, const QString& name) {
        return QUrl::fromLocalFile(rig.writeFile(name, 10));
    }

    QTemporaryDir m_data;
};

QTEST_MAIN(tst_AppModelIntake)
#include "tst_AppModelIntake.moc"
