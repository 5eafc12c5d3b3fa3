// The queue and the system bus. Keeping the computer awake: a logind "sleep:idle" block lock, held
// exactly while items are active and not paused. Metering as NetworkManager reports it through
// QNetworkInformation. A private bus plays the system bus and the test plays logind and
// NetworkManager on it; the lock is the write end of a pipe whose read end the test watches.
#include "PathNetworkMonitor.h"
#include "SleepInhibitor.h"
#include "TestSupport.h"
#include "UploadQueueRig.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QtTest>

#include <poll.h>
#include <unistd.h>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using Case = UploadState::Case;

namespace {

class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    ~FakeLogind() override {
        for (const int fd : readEnds)
            ::close(fd);
    }

    QList<QStringList> calls;
    QList<int> readEnds;

    // Whether the lock handed out by call `index` is still held by anyone.
    bool isHeld(qsizetype index) const {
        pollfd watch{readEnds.value(index, -1), POLLIN, 0};
        return ::poll(&watch, 1, 0) == 0;
    }

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode) {
        calls.append({what, who, why, mode});
        int ends[2];
        if (::pipe(ends) != 0)
            return {};
        readEnds.append(ends[0]);
        QDBusUnixFileDescriptor lock(ends[1]);
        ::close(ends[1]);
        return lock;
    }
};

const QString managerPath = QStringLiteral("/org/freedesktop/NetworkManager");

// NetworkManager's main object, metered as the test says. It answers on a thread of its own: the
// backend reads its properties blocking the main thread.
class FakeNetworkManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
    Q_PROPERTY(uint Metered READ metered)

public:
    uint metered() const { return m_metered; }

    // 1 metered, 2 not, as NetworkManager numbers them.
    void setMetered(QDBusConnection bus, uint metered) {
        m_metered = metered;
        QDBusMessage changed = QDBusMessage::createSignal(
            managerPath, "org.freedesktop.DBus.Properties", "PropertiesChanged");
        changed << "org.freedesktop.NetworkManager" << QVariantMap{{"Metered", metered}}
                << QStringList();
        bus.send(changed);
    }

private:
    std::atomic<uint> m_metered = 2;
};

const QStringList expectedCall{"sleep:idle", "Parcella", "Uploading files to Parcella", "block"};

} // namespace

class tst_UploadQueueActivity : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is not installed");
        m_bus.start(daemon, {"--session", "--nofork", "--print-address=1"});
        QVERIFY(m_bus.waitForStarted());
        QVERIFY(m_bus.waitForReadyRead(10000));
        const QByteArray address = m_bus.readLine().trimmed();
        // Before anything in this process opens the system bus.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);

        auto logind = QDBusConnection::connectToBus(QString::fromUtf8(address), "fake-logind");
        QVERIFY(logind.isConnected());
        QVERIFY(logind.registerObject("/org/freedesktop/login1", &m_logind,
                                      QDBusConnection::ExportAllSlots));
        QVERIFY(logind.registerService("org.freedesktop.login1"));
        m_manager->moveToThread(&m_managerThread);
        connect(&m_managerThread, &QThread::finished, m_manager, &QObject::deleteLater);
        m_managerThread.start();
        QVERIFY(
            logind.registerObject(managerPath, m_manager, QDBusConnection::ExportAllProperties));
        QVERIFY(logind.registerService("org.freedesktop.NetworkManager"));
        QVERIFY(QDBusConnection::systemBus().isConnected());
    }
    void cleanupTestCase() {
        QDBusConnection::disconnectFromBus("fake-logind");
        m_managerThread.quit();
        m_managerThread.wait();
        m_bus.terminate();
        m_bus.waitForFinished();
    }
    void inhibitorHoldsTheLockWhileWanted() {
        const qsizetype first = m_logind.calls.size();
        {
            SleepInhibitor inhibitor;
            inhibitor.setHeld(true);
            QVERIFY(spinUntil([&] { return inhibitor.holdsLock(); }));
            QCOMPARE(m_logind.calls.value(first), expectedCall);
            QVERIFY(m_logind.isHeld(first));
            inhibitor.setHeld(true);
            inhibitor.setHeld(false);
            QVERIFY(!inhibitor.holdsLock());
            QVERIFY(spinUntil([&] { return !m_logind.isHeld(first); }));

            // A lock that arrives after it stopped being wanted is let go at once.
            inhibitor.setHeld(true);
            inhibitor.setHeld(false);
            QVERIFY(spinUntil([&] { return m_logind.calls.size() == first + 2; }));
            QVERIFY(spinUntil([&] { return !m_logind.isHeld(first + 1); }));
            QVERIFY(!inhibitor.holdsLock());

            // Wanted again while the request is on its way: still one request, and the lock stays.
            inhibitor.setHeld(true);
            inhibitor.setHeld(false);
            inhibitor.setHeld(true);
            QVERIFY(spinUntil([&] { return inhibitor.holdsLock(); }));
            QCOMPARE(m_logind.calls.size(), first + 3);
            QVERIFY(m_logind.isHeld(first + 2));
        }
        QVERIFY(spinUntil([&] { return !m_logind.isHeld(first + 2); }));
    }
    void withoutASystemBusNothingHappens() {
        SleepInhibitor inhibitor(QDBusConnection(QStringLiteral("never-connected")));
        inhibitor.setHeld(true);
        QVERIFY(inhibitor.isHeld());
        QVERIFY(!inhibitor.holdsLock());
        inhibitor.setHeld(false);
        QVERIFY(!inhibitor.isHeld());
    }
    void queueHoldsTheLockWhileItemsAreActive() {
        UploadQueueRig rig;
        UploadQueue& queue = rig.start();
        rig.writeFile("a.bin", 100);
        rig.writeFile("b.bin", 100);
        rig.writeFile("c.bin", 100);
        const qsizetype first = m_logind.calls.size();

        rig.gate.close();
        const QUuid a = rig.enqueue({"a.bin"}).first();
        QVERIFY(spinUntil([&] { return m_logind.isHeld(first); }));
        rig.gate.open();
        QVERIFY(rig.waitUntilFinished(a));
        QVERIFY(spinUntil([&] { return !m_logind.isHeld(first); }));

        rig.gate.close();
        const QUuid b = rig.enqueue({"b.bin"}).first();
        QVERIFY(spinUntil([&] { return m_logind.isHeld(first + 1); }));
        queue.pause(b);
        QVERIFY(spinUntil([&] { return !m_logind.isHeld(first + 1); }));
        queue.cancel(b);

        // An item that fails as it is added is never active; the next real one asks once more.
        rig.enqueue({"ghost.bin"});
        QCOMPARE(queue.items().last().state.kind(), Case::failed);
        rig.gate.open();
        const QUuid c = rig.enqueue({"c.bin"}).first();
        QVERIFY(rig.waitUntilFinished(c));
        QVERIFY(spinUntil([&] { return m_logind.calls.size() == first + 3; }));
        QVERIFY(spinUntil([&] { return !m_logind.isHeld(first + 2); }));
        QCOMPARE(m_logind.calls.size(), first + 3);
    }
    void meteredFollowsNetworkManager() {
        PathNetworkMonitor monitor;
        QVERIFY(!monitor.isMetered());
        int reports = 0;
        QObject watcher;
        monitor.watchMetered(&watcher, [&reports] { ++reports; });
        for (const bool metered : {true, false, true}) {
            m_manager->setMetered(QDBusConnection("fake-logind"), metered ? 1 : 2);
            QVERIFY(spinUntil([&] { return monitor.isMetered() == metered; }));
        }
        QCOMPARE(reports, 3);
    }

private:
    QProcess m_bus;
    FakeLogind m_logind;
    QThread m_managerThread;
    FakeNetworkManager* m_manager = new FakeNetworkManager;
};

QTEST_GUILESS_MAIN(tst_UploadQueueActivity)
#include "tst_UploadQueueActivity.moc"
