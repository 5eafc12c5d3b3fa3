#include "Async.h"
#include "PathNetworkMonitor.h"
#include "SystemNetworkReports.h"
#include "TestSupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

using namespace ParcelKit;
using namespace std::chrono_literals;

// Counts one D-Bus signal; used as a marker that every signal sent before it was delivered.
class Marker : public QObject {
    Q_OBJECT

public:
    int seen = 0;

public slots:
    void see() { ++seen; }
};

namespace {

struct Monitored {
    NetworkReports* reports;
    std::unique_ptr<PathNetworkMonitor> monitor;
};

Monitored monitorWithManualReports() {
    auto reports = std::make_unique<NetworkReports>();
    NetworkReports* raw = reports.get();
    return {raw, std::make_unique<PathNetworkMonitor>(std::move(reports))};
}

bool endsWithin(QCoro::Task<void> task) {
    try {
        Testing::await(std::move(task));
        return true;
    } catch (const Testing::TimedOut&) {
        return false;
    }
}

QStringList messages;

const QString logindPath = QStringLiteral("/org/freedesktop/login1");
const QString logindManager = QStringLiteral("org.freedesktop.login1.Manager");

QDBusMessage logindSignal(const QString& name) {
    return QDBusMessage::createSignal(logindPath, logindManager, name);
}

void collectMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
    messages.append(text);
}

} // namespace

class tst_PathNetworkMonitor : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Whatever the machine has, the system monitor here must run without a system bus.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/parcella-test-system-bus");
    }

    void reportsAndWakeUpsReleaseWaiters() {
        auto [reports, monitor] = monitorWithManualReports();
        // Online before the first report.
        QVERIFY(monitor->isOnline());
        QVERIFY(endsWithin(monitor->waitUntilOnline({})));
        auto change = monitor->waitForChange(1h, {});
        emit reports->reachabilityReported(false);
        QVERIFY(!monitor->isOnline());
        QVERIFY(endsWithin(std::move(change)));

        // Every report pulses: a second offline report still cuts a retry's delay short.
        auto online = monitor->waitUntilOnline({});
        auto secondOffline = monitor->waitForChange(1h, {});
        emit reports->reachabilityReported(false);
        QVERIFY(endsWithin(std::move(secondOffline)));
        QCOMPARE(monitor->signal().onlineWaiterCount(), 1);

        emit reports->reachabilityReported(true);
        QVERIFY(monitor->isOnline());
        QVERIFY(endsWithin(std::move(online)));

        auto woken = monitor->waitForChange(1h, {});
        emit reports->wokeFromSleep();
        QVERIFY(endsWithin(std::move(woken)));
        auto nudged = monitor->waitForChange(1h, {});
        monitor->nudge();
        QVERIFY(endsWithin(std::move(nudged)));
        QCOMPARE(monitor->signal().changeWaiterCount(), 0);
    }

    void waitOutlivingTheMonitorStillEnds() {
        auto [reports, monitor] = monitorWithManualReports();
        emit reports->reachabilityReported(false);
        std::stop_source source;
        auto waiting = monitor->waitUntilOnline(source.get_token());
        monitor.reset();
        source.request_stop();
        QVERIFY(endsWithin(std::move(waiting)));
    }

    void withoutSystemBusStaysOnlineQuietly() {
        messages.clear();
        const auto previous = qInstallMessageHandler(collectMessage);
        auto monitor = std::make_unique<PathNetworkMonitor>();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        qInstallMessageHandler(previous);

        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
        QVERIFY(monitor->isOnline());
        QVERIFY(endsWithin(monitor->waitUntilOnline({})));
    }

    void logindWakeIsReportedOnlyAfterSleep() {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is not installed");
        // A private bus plays the system bus; the test owns logind's name on it.
        QProcess bus;
        bus.start(daemon, {"--session", "--nofork", "--print-address=1"});
        QVERIFY(bus.waitForStarted());
        auto stopBus = qScopeGuard([&] {
            bus.terminate();
            bus.waitForFinished();
        });
        QVERIFY(bus.waitForReadyRead(10000));
        const QString address = QString::fromUtf8(bus.readLine()).trimmed();

        auto logind = QDBusConnection::connectToBus(address, QStringLiteral("test-logind"));
        auto system = QDBusConnection::connectToBus(address, QStringLiteral("test-system"));
        QVERIFY(logind.isConnected());
        QVERIFY(system.isConnected());
        QVERIFY(logind.registerService(QStringLiteral("org.freedesktop.login1")));

        auto reports = std::make_unique<SystemNetworkReports>(system);
        QSignalSpy wakes(reports.get(), &NetworkReports::wokeFromSleep);
        PathNetworkMonitor monitor(std::move(reports));
        auto waiting = monitor.waitForChange(1h, {});

        Marker marker;
        QVERIFY(system.connect(QStringLiteral("org.freedesktop.login1"), logindPath, logindManager,
                               QStringLiteral("SessionNew"), &marker, SLOT(see())));
        logind.send(logindSignal(QStringLiteral("PrepareForSleep")) << true);
        logind.send(logindSignal(QStringLiteral("PrepareForSleep")) << false);
        QVERIFY(endsWithin(std::move(waiting)));
        // Signals from one sender arrive in order: once the marker is seen, both reports were
        // heard.
        logind.send(logindSignal(QStringLiteral("SessionNew")));
        QVERIFY(Testing::spinUntil([&] { return marker.seen > 0; }));
        QCOMPARE(wakes.count(), 1);
        QVERIFY(monitor.isOnline());

        QDBusConnection::disconnectFromBus(QStringLiteral("test-system"));
        QDBusConnection::disconnectFromBus(QStringLiteral("test-logind"));
    }
};

QTEST_GUILESS_MAIN(tst_PathNetworkMonitor)
#include "tst_PathNetworkMonitor.moc"
