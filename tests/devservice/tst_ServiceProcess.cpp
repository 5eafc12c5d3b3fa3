// Starting and stopping parcella-devservice as a program: the start line, a prompt clean stop on
// SIGTERM even right after start, and refusal of unsafe or unknown options.
#include "DevServiceProcess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

class tst_ServiceProcess : public QObject {
    Q_OBJECT

private slots:
    void startsWithItsDataFolderAndStopsOnSigterm() {
        DevServiceProcess service;
        QVERIFY2(service.isRunning(), qPrintable(service.errorText()));
        QVERIFY(service.baseUrl().port() > 0);
        QVERIFY(QFile::exists(service.dataDir() + "/devservice.sqlite3"));
        QVERIFY(QDir(service.dataDir() + "/outbox").exists());
        QVERIFY(QDir(service.dataDir() + "/storage").exists());
        // The signal may arrive before the server loop runs; it must not be lost.
        QCOMPARE(service.terminate(), 0);
    }

    void refusesBadCommandLines() {
        const auto exitCode = [](const QStringList& arguments) {
            QProcess process;
            process.start(QStringLiteral(PARCELLA_DEVSERVICE), arguments);
            if (!process.waitForFinished(10000)) {
                process.kill();
                process.waitForFinished();
                return -1;
            }
            return process.exitCode();
        };
        QCOMPARE(exitCode({"--listen", "0.0.0.0:0", "--data", QDir::tempPath() + "/unused"}), 2);
        QCOMPARE(exitCode({"--no-such-option"}), 2);
        QCOMPARE(exitCode({"--access-token-lifetime", "soon"}), 2);
        QCOMPARE(exitCode({"--help"}), 0);
    }
};

QTEST_GUILESS_MAIN(tst_ServiceProcess)
#include "tst_ServiceProcess.moc"
