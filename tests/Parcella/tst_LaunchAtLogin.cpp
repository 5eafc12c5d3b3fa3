// The login item is an autostart entry on disk; the toggle always shows what the entry says.
#include "LaunchAtLogin.h"

#include "TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace Parcella;
using ParcelKit::Testing::spinUntil;

namespace {

// Waits for the work already asked of `login` to end as expected.
bool settle(LaunchAtLogin& login, bool enabled, bool failed) {
    return spinUntil(
        [&] { return login.isEnabled() == enabled && login.error().has_value() == failed; });
}

} // namespace

class tst_LaunchAtLogin : public QObject {
    Q_OBJECT

private slots:
    void onAndOffThroughTheEntry() {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const QString path = config.filePath("autostart/parcella.desktop");
        LaunchAtLogin login;
        login.setEnabled(true);
        QVERIFY(settle(login, true, false));
        QVERIFY(LaunchAtLogin::entry().contains("\nExec=parcella --autostart\n"));
        if (const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
            !validator.isEmpty())
            QCOMPARE(QProcess::execute(validator, {path}), 0);
        LaunchAtLogin fresh;
        QVERIFY(settle(fresh, true, false));

        // Turned off in the desktop's own settings; turning it on writes it anew.
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("Hidden=true\n");
        file.close();
        QVERIFY(!LaunchAtLogin::isEnabledAt(path));
        fresh.setEnabled(true);
        QVERIFY(spinUntil([&] { return LaunchAtLogin::isEnabledAt(path); }));

        // Turning off what is already off is no failure.
        QSignalSpy errors(&login, &LaunchAtLogin::errorChanged);
        login.setEnabled(false);
        login.setEnabled(false);
        QVERIFY(settle(login, false, false));
        QVERIFY(!QFile::exists(path));
        login.setEnabled(true);
        QVERIFY(settle(login, true, false));
        QCOMPARE(errors.count(), 0);
    }

    void failuresShowTheSystemsText_data() {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("enabling");
        QTest::addColumn<QString>("text");
        QTest::newRow("autostart is a file") << false << true << "Not a directory";
        QTest::newRow("read-only folder, turning on") << true << true << "Permission denied";
        QTest::newRow("read-only folder, turning off") << true << false << "Permission denied";
    }

    void failuresShowTheSystemsText() {
        QFETCH(bool, readOnly);
        QFETCH(bool, enabling);
        QFETCH(QString, text);
        if (readOnly && geteuid() == 0)
            QSKIP("permissions do not hold back root");
        QTemporaryDir config;
        const QString folder = config.filePath("autostart");
        const QString path = folder + "/parcella.desktop";
        QVERIFY(readOnly ? QDir().mkpath(folder) : QFile(folder).open(QIODevice::WriteOnly));
        if (!enabling) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(LaunchAtLogin::entry()) > 0);
        }
        if (readOnly)
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));

        LaunchAtLogin login(path);
        QVERIFY(settle(login, !enabling, false));
        login.setEnabled(enabling);
        QVERIFY(settle(login, !enabling, true));
        QVERIFY2(login.error()->contains(text, Qt::CaseInsensitive), qPrintable(*login.error()));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

QTEST_GUILESS_MAIN(tst_LaunchAtLogin)
#include "tst_LaunchAtLogin.moc"
