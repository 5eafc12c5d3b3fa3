// The updater against releases made by the release script, served over loopback, installed into
// a per-user installation in a temporary folder.
#include "Appcast.h"
#include "ReleaseSignature.h"
#include "TestHTTPServer.h"
#include "TestSupport.h"
#include "Updater.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Parcella;
using namespace std::chrono_literals;
using ParcelKit::Testing::TestHTTPServer;

namespace {

QByteArray run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
    return process.readAllStandardOutput();
}

// A work folder with a signing key, an installation running 0.1.0 and a server for releases.
class Rig {
public:
    Rig() {
        run("openssl", {"genpkey", "-algorithm", "ed25519", "-out", key()});
        writeProgram(root() + "/0.1.0", "0.1.0");
        QFile::link("0.1.0", root() + "/current");
        m_server.setHandler([this](const ParcelKit::Testing::RecordedRequest& request) {
            return m_replies.value(request.path(), TestHTTPServer::Reply::empty(404));
        });
    }

    QString path(const QString& name) const { return m_work.filePath(name); }
    QString key() const { return path("key.pem"); }
    QString root() const { return path("opt/parcella"); }
    QString currentTarget() const {
        return QFileInfo(QFile::symLinkTarget(root() + "/current")).fileName();
    }
    QStringList rootEntries() const {
        return QDir(root()).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    }

    // Makes `version` with the release script and serves it with its feed.
    void release(const QString& version) {
        const QString tree = path("tree-" + version);
        writeProgram(tree, version);
        run("bash",
            {QFINDTESTDATA("../../scripts/make-release.sh"), "--key", key(), "--version", version,
             "--base-url", m_server.url("/r/").toString(), "--tree", tree, "--out", path("out")});
        archivePath = QStringLiteral("/r/parcella-%1-linux-%2.tar.gz")
                          .arg(version, QString::fromLatin1(run("uname", {"-m"}).trimmed()));
        serve(archivePath, ParcelKit::Testing::fileBytes(path("out") + archivePath.mid(2)));
        serve("/appcast.xml", ParcelKit::Testing::fileBytes(path("out/appcast.xml")));
    }
    void serve(const QString& path, const QByteArray& body) {
        serve(path, TestHTTPServer::Reply::text(200, body, "application/octet-stream"));
    }
    void serve(const QString& path, TestHTTPServer::Reply reply) { m_replies.insert(path, reply); }
    QByteArray served(const QString& path) const { return m_replies.value(path).body; }
    int archiveRequests() const {
        int count = 0;
        for (const auto& request : m_server.requests())
            count += request.path().startsWith(QLatin1String("/r/"));
        return count;
    }

    UpdaterSetup setup() {
        UpdaterSetup setup;
        setup.feedURL = m_server.url("/appcast.xml");
        setup.publicKey = ParcelKit::Testing::fileBytes(path("out/public-key.txt")).trimmed();
        setup.runningVersion = QVersionNumber(0, 1, 0);
        setup.executablePath = root() + "/0.1.0/bin/parcella";
        setup.installRoot = root();
        setup.settings = std::make_shared<QSettings>(path("settings.ini"), QSettings::IniFormat);
        setup.firstCheckDelay = 1h;
        setup.idleInterval = 50ms;
        setup.restart = [this](const QString& executable) { restarted = executable; };
        return setup;
    }

    QString archivePath;
    std::optional<QString> restarted;
    bool busy = false;

private:
    static void writeProgram(const QString& tree, const QString& version) {
        QDir().mkpath(tree + "/bin");
        QFile program(tree + "/bin/parcella");
        QVERIFY(program.open(QIODevice::WriteOnly));
        program.write("#!/bin/sh\necho " + version.toUtf8() + "\n");
        program.close();
        program.setPermissions(program.permissions() | QFile::ExeOwner);
    }

    QTemporaryDir m_work;
    TestHTTPServer m_server;
    QHash<QString, TestHTTPServer::Reply> m_replies;
};

bool awaitFinished(Updater& updater) {
    QSignalSpy finished(&updater, &Updater::finished);
    return finished.wait(20000);
}

} // namespace

class tst_Updater : public QObject {
    Q_OBJECT

private slots:
    void installsANewerReleaseOnceIdle_data() {
        QTest::addColumn<bool>("popover");
        QTest::newRow("uploading or sending") << false;
        QTest::newRow("popover open") << true;
    }
    void installsANewerReleaseOnceIdle() {
        QFETCH(bool, popover);
        Rig rig;
        rig.release("0.2.0");
        bool popoverShown = popover;
        rig.busy = !popover;
        Updater updater([&rig] { return rig.busy; }, rig.setup());
        updater.setPopoverShownTest([&popoverShown] { return popoverShown; });
        updater.checkForUpdates();
        QVERIFY(ParcelKit::Testing::spinUntil([&] { return updater.isReadyToInstall(); }, 20s));
        // Several idle ticks pass without an install.
        QTest::qWait(300);
        QVERIFY(!rig.restarted);
        QCOMPARE(rig.currentTarget(), "0.1.0");
        rig.busy = false;
        popoverShown = false;
        QVERIFY(ParcelKit::Testing::spinUntil([&] { return rig.restarted.has_value(); }, 20s));
        QCOMPARE(rig.currentTarget(), "0.2.0");
        QCOMPARE(run(*rig.restarted, {}).trimmed(), QByteArray("0.2.0"));
        // The running version stays where it is until it exits; no staging is left behind.
        QCOMPARE(rig.rootEntries(), (QStringList{"0.1.0", "0.2.0", "current"}));
    }

    void refusesBadReleases_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("status");
        const auto row = [](const char* name, const char* version, const char* fault,
                            const char* status) {
            QTest::newRow(name) << QString(version) << QString(fault) << QString(status);
        };
        row("tampered archive", "0.2.0", "tamper", "not signed");
        row("wrong key", "0.2.0", "wrong key", "not signed");
        row("short body", "0.2.0", "short", "wrong length");
        row("longer body", "0.2.0", "long", "wrong length");
        row("connection cut", "0.2.0", "cut", "could not be downloaded");
        row("missing archive", "0.2.0", "404", "status 404");
        row("broken archive, validly signed", "0.2.0", "unpack", "unpacked");
        row("same version", "0.1.0", "", "up to date");
        row("downgrade", "0.0.9", "", "up to date");
    }
    void refusesBadReleases() {
        QFETCH(QString, version);
        QFETCH(QString, fault);
        QFETCH(QString, status);
        Rig rig;
        rig.release(version);
        QByteArray archive = rig.served(rig.archivePath);
        UpdaterSetup setup = rig.setup();
        if (fault == "tamper") {
            archive[archive.size() / 2] = char(archive[archive.size() / 2] ^ 0x01);
            rig.serve(rig.archivePath, archive);
        } else if (fault == "wrong key") {
            setup.publicKey = QByteArray(32, 'k').toBase64();
        } else if (fault == "short") {
            rig.serve(rig.archivePath, archive.chopped(1));
        } else if (fault == "long") {
            rig.serve(rig.archivePath, archive + "x");
        } else if (fault == "cut") {
            // The head and all but the head's length of the body.
            rig.serve(rig.archivePath,
                      TestHTTPServer::Reply::text(200, archive).droppedAfter(archive.size()));
        } else if (fault == "404") {
            rig.serve(rig.archivePath, TestHTTPServer::Reply::empty(404));
        } else if (fault == "unpack") {
            // Signed by the right key, so only unpacking can notice: tar fails halfway.
            const QByteArray cut = archive.left(archive.size() / 2);
            QFile file(rig.path("cut.tar.gz"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(cut) == cut.size());
            file.close();
            const QByteArray signature = run("openssl", {"pkeyutl", "-sign", "-inkey", rig.key(),
                                                         "-rawin", "-in", file.fileName()})
                                             .toBase64();
            QByteArray feed = rig.served("/appcast.xml");
            const qsizetype at = feed.indexOf("edSignature=\"") + 13;
            const QByteArray oldSignature = feed.mid(at, feed.indexOf('"', at) - at);
            feed.replace(oldSignature, signature);
            feed.replace("length=\"" + QByteArray::number(archive.size()),
                         "length=\"" + QByteArray::number(cut.size()));
            rig.serve("/appcast.xml", feed);
            rig.serve(rig.archivePath, cut);
        }
        Updater updater([&rig] { return rig.busy; }, std::move(setup));
        updater.checkForUpdates();
        QVERIFY(awaitFinished(updater));
        if (updater.status().startsWith("Installing"))
            QVERIFY(awaitFinished(updater));
        QVERIFY2(updater.status().contains(status), qPrintable(updater.status()));
        QVERIFY(!updater.isReadyToInstall());
        QVERIFY(!rig.restarted);
        QCOMPARE(rig.currentTarget(), "0.1.0");
        QCOMPARE(rig.rootEntries(), (QStringList{"0.1.0", "current"}));
        if (fault.isEmpty())
            QCOMPARE(rig.archiveRequests(), 0);
    }

    // Copies that cannot replace themselves, or may not now, only tell.
    void onlyReports_data() {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<QString>("status");
        QTest::newRow("packaged") << "/usr/bin/env" << true
                                  << "Version 0.2.0 is available. Updates come from the package "
                                     "manager.";
        QTest::newRow("automatic installs off") << "" << false << "Version 0.2.0 is available.";
    }
    void onlyReports() {
        QFETCH(QString, executable);
        QFETCH(bool, automatic);
        QFETCH(QString, status);
        Rig rig;
        rig.release("0.2.0");
        UpdaterSetup setup = rig.setup();
        setup.firstCheckDelay = 0ms;
        if (!executable.isEmpty())
            setup.executablePath = executable;
        setup.settings->setValue(Updater::installsAutomaticallyKey, automatic);
        Updater updater([&rig] { return rig.busy; }, std::move(setup));
        QCOMPARE(updater.installsAutomatically(), automatic);
        QVERIFY(awaitFinished(updater));
        QCOMPARE(updater.status(), status);
        QCOMPARE(rig.archiveRequests(), 0);
        QCOMPARE(rig.currentTarget(), "0.1.0");
    }

    void readsOnlyCompleteWellFormedItems_data() {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<QStringList>("versions");
        const QByteArray head =
            R"(<rss version="2.0" xmlns:p="https://parcella.app/xml-namespaces/update"><channel>)";
        const auto item = [](const char* version, const char* url = "https://h/a.tar.gz",
                             const char* length = "10") {
            return QByteArray("<item><p:version>") + version + "</p:version><enclosure url=\"" +
                   url + "\" length=\"" + length + "\" p:edSignature=\"c2ln\"/></item>";
        };
        QTest::newRow("any prefix, all items")
            << head + item("0.2.0") + item("1.10") + "</channel></rss>"
            << QStringList{"0.2.0", "1.10"};
        QTest::newRow("bad fields skipped")
            << head + item("0.2.0beta") + item("1", "ftp://h/a") + item("2", "https://h/a", "-1") +
                   item("3", "https://h/a", "x") + item("4") + "</channel></rss>"
            << QStringList{"4"};
        QTest::newRow("cut feed keeps complete items")
            << head + item("1") + item("2").left(40) << QStringList{"1"};
        QTest::newRow("other namespace is not ours")
            << QByteArray(R"(<rss xmlns:p="urn:other"><channel>)") + item("1") + "</channel></rss>"
            << QStringList{};
        QTest::newRow("entity declarations stop the reading")
            << QByteArray("<!DOCTYPE rss [<!ENTITY a \"aaaa\">]>") + head + item("1")
            << QStringList{};
        QTest::newRow("document type stops the reading")
            << QByteArray("<!DOCTYPE rss SYSTEM \"http://h/x.dtd\">") + head + item("1")
            << QStringList{};
    }
    void readsOnlyCompleteWellFormedItems() {
        QFETCH(QByteArray, feed);
        QFETCH(QStringList, versions);
        QStringList read;
        for (const AppcastItem& item : Appcast::read(feed))
            read << item.version.toString();
        QCOMPARE(read, versions);
    }

    void newestIsTheGreatestNewerVersion() {
        const QList<AppcastItem> items{{.version = QVersionNumber(0, 9)},
                                       {.version = QVersionNumber(0, 10)},
                                       {.version = QVersionNumber(0, 2)}};
        QCOMPARE(Appcast::newest(items, QVersionNumber(0, 2))->version, QVersionNumber(0, 10));
        QVERIFY(!Appcast::newest(items, QVersionNumber(0, 10)));
    }

    void malformedKeysAndSignaturesAreRefused() {
        const QByteArray good = QByteArray(32, 'k').toBase64();
        const QByteArray signature = QByteArray(64, 's').toBase64();
        QVERIFY(!ReleaseSignature::verify("not base64!", signature, "data"));
        QVERIFY(!ReleaseSignature::verify(QByteArray(31, 'k').toBase64(), signature, "data"));
        QVERIFY(!ReleaseSignature::verify(good, QByteArray(63, 's').toBase64(), "data"));
        QVERIFY(!ReleaseSignature::verify(good, "", "data"));
    }
};

QTEST_GUILESS_MAIN(tst_Updater)
#include "tst_Updater.moc"
