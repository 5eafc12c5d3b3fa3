#include "ModelRig.h"

#include "TestSupport.h"

#include <QGuiApplication>
#include <QtTest>

using namespace Parcella;
using namespace Parcella::Testing;

// No secret service answers: the password of a pending send cannot be kept.

class tst_AppModelWithoutKeychain : public QObject {
    Q_OBJECT

private slots:
    void sendGoesOnFromMemoryWithANotice() {
        ModelRig rig;
        AppModel& model = rig.start();
        QVERIFY(rig.signIn());
        rig.enqueue({"a.bin"}, 1000);
        const auto created =
            rig.sendAndWait({.protection = Protection::password, .password = "abcd1234"});
        QVERIFY(created);
        QCOMPARE(created->protection, QString("password"));
        QVERIFY(ParcelKit::Testing::spinUntil([&] { return model.notice().has_value(); }));
        QCOMPARE(
            model.notice(),
            QString("This transfer can’t be kept if the app quits before the uploads finish."));
    }
};

int main(int argc, char** argv) {
    // Before anything connects: a session bus that is not there.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/parcella-test-bus");
    QGuiApplication app(argc, argv);
    tst_AppModelWithoutKeychain test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_AppModelWithoutKeychain.moc"
