// One running parcella per user (the real executable): how arguments are read, and a crashed
// instance's socket taken over. Handing files over: tst_FileHandOver; sign-in answers between
// processes: e2e scheme_handler.
#include "LaunchArguments.h"
#include "SingleInstance.h"

#include "TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Parcella;
using ParcelKit::Testing::spinUntil;

namespace {

QUrl file(const QString& path) {
    return QUrl::fromLocalFile(path);
}

} // namespace

class tst_SingleInstance : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_RUNTIME_DIR", m_dir.path().toUtf8());
        // The started instances keep their data and settings here, not in the user's folders.
        qputenv("XDG_DATA_HOME", m_dir.filePath("data").toUtf8());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath("config").toUtf8());
        // The started instances need no display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    void argumentsAreParsed_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QList<QUrl>>("urls");
        const QList<QUrl> none;
        QTest::newRow("nothing") << QStringList{} << none;
        QTest::newRow("relative, absolute and dotted paths")
            << QStringList{"a.txt", "/srv/b c.txt", "sub/../d.txt"}
            << QList<QUrl>{file("/base/a.txt"), file("/srv/b c.txt"), file("/base/d.txt")};
        QTest::newRow("file and parcella URLs")
            << QStringList{"file:///srv/%C3%A9.txt", "parcella://send?batch=B"}
            << QList<QUrl>{file("/srv/é.txt"), QUrl("parcella://send?batch=B")};
        QTest::newRow("other schemes are file names")
            << QStringList{"notes:draft.txt", "http://127.0.0.1/x"}
            << QList<QUrl>{file("/base/notes:draft.txt"), file("/base/http:/127.0.0.1/x")};
        QTest::newRow("--send takes files only")
            << QStringList{"--send", "-dash.txt", "parcella://x?state=s"}
            << QList<QUrl>{file("/base/-dash.txt"), file("/base/parcella:/x?state=s")};
    }
    void argumentsAreParsed() {
        QFETCH(QStringList, arguments);
        QFETCH(QList<QUrl>, urls);
        const auto parsed = LaunchArguments::parse(arguments, QDir("/base"));
        QVERIFY(std::holds_alternative<LaunchArguments>(parsed));
        const auto& launch = std::get<LaunchArguments>(parsed);
        QCOMPARE(launch.urls, urls);
        QCOMPARE(LaunchArguments::decoded(launch.encoded()), std::optional(launch));
        QVERIFY(std::holds_alternative<QString>(LaunchArguments::parse({"--quit"}, QDir("/base"))));
    }
    void twoRealInstancesAndACrashedOne() {
        QProcess running;
        running.start(QStringLiteral(PARCELLA_APP));
        QVERIFY(spinUntil([] { return QFile::exists(SingleInstance::defaultSocketPath()); }));
        // The running instance is another process: this one may block.
        QProcess later;
        later.start(PARCELLA_APP, {"--send", "a.txt"});
        QVERIFY(later.waitForFinished(20000));
        QCOMPARE(later.exitCode(), 0);
        QCOMPARE(running.state(), QProcess::Running);

        // A killed instance leaves its socket file behind; the next start takes its place.
        running.kill();
        QVERIFY(running.waitForFinished());
        QVERIFY(QFile::exists(SingleInstance::defaultSocketPath()));
        SingleInstance next;
        QCOMPARE(next.claim({}), SingleInstance::Outcome::primary);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_SingleInstance.moc"
