// The wake observer on a private bus standing in for the system bus, with a logind stand-in that
// owns logind's name: only logind's PrepareForSleep(false) counts as a wake.
#include "WakeObserver.h"

#include "TestSupport.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

using namespace Parcella;
using ParcelKit::Testing::spinUntil;

class tst_WakeObserver : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"),
                     QStringLiteral("--print-address")});
        QVERIFY(m_bus.waitForStarted());
        QVERIFY(spinUntil([this] { return m_bus.canReadLine(); }));
        m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
        QVERIFY(connection("logind").registerService(QStringLiteral("org.freedesktop.login1")));
    }
    void cleanupTestCase() {
        m_bus.kill();
        m_bus.waitForFinished();
    }
    void onlyLogindWakingCounts_data() {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<bool>("sleeping");
        QTest::addColumn<int>("wakes");
        QTest::newRow("logind wakes") << "logind" << false << 1;
        QTest::newRow("logind goes to sleep") << "logind" << true << 0;
        QTest::newRow("another client fakes a wake") << "other" << false << 0;
    }
    void onlyLogindWakingCounts() {
        QFETCH(QString, sender);
        QFETCH(bool, sleeping);
        QFETCH(int, wakes);
        WakeObserver observer(connection("observer"));
        QSignalSpy woke(&observer, &WakeObserver::woke);
        // The match rule and logind's owner must be known to the bus before the signal goes out.
        QTest::qWait(200);

        auto signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                 QStringLiteral("org.freedesktop.login1.Manager"),
                                                 QStringLiteral("PrepareForSleep"));
        signal << sleeping;
        QVERIFY(connection(sender).send(signal));
        // A wake that should not count is given time to arrive all the same.
        spinUntil([&] { return woke.count() > 0; }, std::chrono::milliseconds(wakes ? 10000 : 300));
        QCOMPARE(woke.count(), wakes);
    }

private:
    QDBusConnection connection(const QString& name) {
        return QDBusConnection::connectToBus(m_address, name);
    }

    QProcess m_bus;
    QString m_address;
};

QTEST_GUILESS_MAIN(tst_WakeObserver)
#include "tst_WakeObserver.moc"
