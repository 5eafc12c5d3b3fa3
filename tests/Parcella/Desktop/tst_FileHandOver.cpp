// The file manager's hand-over with real processes: the installed actions, and `parcella --send`
// with a few files in a message or with thousands in a shared batch, reaching a running instance.
#include "LaunchArguments.h"
#include "ModelRig.h"
#include "SharedBatch.h"
#include "SingleInstance.h"
#include "URLOpener.h"

#include "TestSupport.h"

#include <QProcess>
#include <QtTest>

using namespace Parcella;
using namespace Parcella::Testing;
using ParcelKit::Testing::spinUntil;

class tst_FileHandOver : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_RUNTIME_DIR", m_dir.path().toUtf8());
        qputenv("XDG_DATA_HOME", m_dir.filePath("data").toUtf8());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath("config").toUtf8());
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Where the installed file-manager actions find `parcella`.
        qputenv("PATH", (QFileInfo(PARCELLA_APP).path() + ":" + qgetenv("PATH")).toUtf8());
        QVERIFY(QDir().mkpath(m_dir.filePath("files")));
    }

    void fileManagerHandsOverFewAndMany() {
        QCOMPARE(run(PARCELLA_APP, {"--install-file-manager-actions"}), 0);
        const QString data = m_dir.filePath("data/");
        const QString script = data + "nautilus/scripts/Send with Parcella";
        for (const QString& path : {data + "kio/servicemenus/parcella-send.desktop",
                                    data + "nemo/actions/parcella-send.nemo_action", script}) {
            QVERIFY2(ParcelKit::Testing::fileBytes(path).contains("parcella --send"),
                     qPrintable(path));
            QCOMPARE(QFileInfo(path).isExecutable(), !path.endsWith(".nemo_action"));
        }

        SingleInstance instance;
        QCOMPARE(instance.claim({}), SingleInstance::Outcome::primary);
        QSignalSpy received(&instance, &SingleInstance::received);
        ModelRig rig;
        AppModel& model = rig.start();
        connect(&instance, &SingleInstance::received, &model,
                [&](const LaunchArguments& arguments) { URLOpener::open(model, arguments.urls); });

        // Nautilus runs the script in the folder shown, with the selected names.
        const QStringList few = makeFiles("report", 3);
        QCOMPARE(run(script, few), 0);
        QVERIFY(spinUntil([&] { return model.pendingFiles().size() == 3; }));
        QCOMPARE(model.pendingFiles().first(),
                 QUrl::fromLocalFile(m_dir.filePath("files/report-00000.pdf")));

        // Too many for one message: they travel in a batch, which is taken and deleted.
        const QStringList many = makeFiles("a-rather-long-name-as-cameras-and-exports-give", 20000);
        QCOMPARE(many.size(), 20000);
        QCOMPARE(run(PARCELLA_APP, QStringList{"--send"} + many), 0);
        QCOMPARE(received.count(), 2);
        const auto handed = received.at(1).at(0).value<LaunchArguments>().urls;
        QVERIFY(handed.size() == 1 && SharedBatch::batchID(handed.first()));
        QVERIFY(spinUntil([&] { return model.pendingFiles().size() == 20003; },
                          std::chrono::seconds(60)));
        QCOMPARE(model.pendingFiles().last(),
                 QUrl::fromLocalFile(m_dir.filePath("files/" + many.last())));
        QVERIFY(QDir(SharedBatch::directory()).isEmpty());
    }
    // The application itself: stale batches go at launch, a batch handed over is taken.
    void runningParcellaTakesBatchesAndDropsStaleOnes() {
        const QString stale = batchFile(SharedBatch::write({}));
        const QString fresh = batchFile(SharedBatch::write({}));
        QFile file(stale);
        QVERIFY(file.open(QIODevice::Append));
        QVERIFY(file.setFileTime(QDateTime::currentDateTimeUtc().addDays(-2),
                                 QFileDevice::FileModificationTime));
        file.close();

        QProcess running;
        running.start(PARCELLA_APP, {"--autostart"});
        QVERIFY(spinUntil([] { return QFile::exists(SingleInstance::defaultSocketPath()); }));
        QVERIFY(spinUntil([&] { return !QFile::exists(stale); }));
        const QUuid taken = SharedBatch::write({});
        QCOMPARE(run(PARCELLA_APP, {SharedBatch::url(taken).toString()}), 0);
        QVERIFY(spinUntil([&] {
            return QDir(SharedBatch::directory()).entryList(QDir::Files) ==
                   QStringList{QFileInfo(fresh).fileName()};
        }));
        QCOMPARE(running.state(), QProcess::Running);
        running.kill();
        QVERIFY(running.waitForFinished());
    }

private:
    // Runs a program in the files folder without blocking this event loop, which is the instance
    // it talks to.
    int run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(m_dir.filePath("files"));
        process.start(program, arguments);
        if (!spinUntil([&] { return process.state() == QProcess::NotRunning; },
                       std::chrono::seconds(60)))
            return -1;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QStringList makeFiles(const QString& prefix, int count) {
        QStringList names;
        for (int i = 0; i < count; ++i) {
            names.append(QStringLiteral("%1-%2.pdf").arg(prefix).arg(i, 5, 10, QChar('0')));
            QFile file(m_dir.filePath("files/" + names.last()));
            if (!file.open(QIODevice::WriteOnly))
                return {};
        }
        return names;
    }

    QString batchFile(const QUuid& id) const {
        return QDir(SharedBatch::directory())
            .filePath(id.toString(QUuid::WithoutBraces).toUpper() + ".plist");
    }

    QTemporaryDir m_dir;
};

QTEST_MAIN(tst_FileHandOver)
#include "tst_FileHandOver.moc"
