// What a drop or a hand-over becomes: files and refused packages, and shared batches on disk.
#include "FileClassifier.h"
#include "SharedBatch.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Parcella;

namespace {

// Creates the entries of `layout` under `root`: "name/" a folder, "name*" an executable file,
// "name -> target" a symbolic link, anything else an empty file.
void lay(const QString& root, const QStringList& layout) {
    for (const QString& entry : layout) {
        const QString path = QDir(root).filePath(entry.section(" -> ", 0, 0).remove('*'));
        QVERIFY(QDir().mkpath(entry.endsWith('/') ? path : QFileInfo(path).path()));
        if (entry.contains(" -> ")) {
            QVERIFY(QFile::link(entry.section(" -> ", 1), path));
        } else if (!entry.endsWith('/')) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (entry.endsWith('*'))
                QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));
        }
    }
}

QStringList names(const QString& root, const QList<QUrl>& urls) {
    QStringList result;
    for (const QUrl& url : urls)
        result.append(QDir(root).relativeFilePath(url.toLocalFile()));
    return result;
}

} // namespace

class tst_FileIntake : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_DATA_HOME", m_dir.filePath("data").toUtf8());
    }

    void classify_data() {
        QTest::addColumn<QStringList>("layout");
        QTest::addColumn<QStringList>("dropped");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("bundles");
        QTest::newRow("folder with an application directory and two documents")
            << QStringList{"f/b.txt", "f/a.txt", "f/Tool/AppRun*", "f/Tool/lib/x.so"}
            << QStringList{"f"} << QStringList{"f/a.txt", "f/b.txt"} << QStringList{"f/Tool"};
        QTest::newRow("only an application")
            << QStringList{"Game.app/Contents/Info.plist"} << QStringList{"Game.app"}
            << QStringList{} << QStringList{"Game.app"};
        QTest::newRow("package extensions in any case, deep inside")
            << QStringList{"f/sub/Notes.RTFD/TXT.rtf", "f/sub/x.bundle/", "f/sub/y.txt"}
            << QStringList{"f"} << QStringList{"f/sub/y.txt"}
            << QStringList{"f/sub/Notes.RTFD", "f/sub/x.bundle"};
        QTest::newRow("a file named like a package, an AppRun that does not run")
            << QStringList{"Setup.pkg", "d/AppRun", "d/e.txt"} << QStringList{"Setup.pkg", "d"}
            << QStringList{"Setup.pkg", "d/AppRun", "d/e.txt"} << QStringList{};
        QTest::newRow("hidden inside a folder are left out, dropped directly they count")
            << QStringList{"f/.secret", "f/.cache/x", "f/v.txt", ".env"} << QStringList{"f", ".env"}
            << QStringList{"f/v.txt", ".env"} << QStringList{};
        QTest::newRow("links inside are not followed, a link to nowhere is nothing")
            << QStringList{"t/real.txt", "f/up -> ..", "f/r -> ../t/real.txt", "dead -> nowhere"}
            << QStringList{"f", "dead", "missing"} << QStringList{} << QStringList{};
        QTest::newRow("order as a file manager shows it, folders in the given order")
            << QStringList{"f/n10", "f/n2", "f/N1", "g/a"} << QStringList{"g", "f"}
            << QStringList{"g/a", "f/N1", "f/n2", "f/n10"} << QStringList{};
    }

    void classify() {
        QFETCH(QStringList, layout);
        QFETCH(QStringList, dropped);
        QFETCH(QStringList, files);
        QFETCH(QStringList, bundles);
        QTemporaryDir root;
        lay(root.path(), layout);
        QList<QUrl> urls{QUrl("https://127.0.0.1/not-a-file")};
        for (const QString& name : dropped)
            urls.append(QUrl::fromLocalFile(root.filePath(name)));
        const ClassifiedFiles found = FileClassifier::classifyFiles(urls);
        QCOMPARE(names(root.path(), found.files), files);
        QCOMPARE(names(root.path(), found.bundles), bundles);
    }

    void batchIDs_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("id");
        const QString id = "6F9619FF-8B86-D011-B42D-00C04FC964FF";
        QTest::newRow("upper case") << "parcella://send?batch=" + id << id;
        QTest::newRow("lower case") << "parcella://send?batch=" + id.toLower() << id;
        QTest::newRow("first of two") << "parcella://send?x=1&batch=" + id + "&batch=0" << id;
        QTest::newRow("other host") << "parcella://open?batch=" + id << QString();
        QTest::newRow("other scheme") << "https://send?batch=" + id << QString();
        QTest::newRow("braces") << "parcella://send?batch={" + id + "}" << QString();
        QTest::newRow("not hex") << "parcella://send?batch=" + QString(id).replace('F', 'G')
                                 << QString();
        QTest::newRow("no batch") << "parcella://send?id=1" << QString();
    }

    void batchIDs() {
        QFETCH(QString, url);
        QFETCH(QString, id);
        const auto found = SharedBatch::batchID(QUrl(url));
        QCOMPARE(found, id.isEmpty() ? std::nullopt : std::optional(QUuid(id)));
        if (found)
            QCOMPARE(SharedBatch::batchID(SharedBatch::url(*found)), found);
    }

    void batchesAreTakenOnce() {
        QCOMPARE(SharedBatch::appGroup(), QString("app.parcella.shared"));
        lay(m_dir.path(), {"files/a b.txt", "files/é.txt", "files/gone.txt"});
        QList<QUrl> files;
        for (const QString name : {"a b.txt", "é.txt", "gone.txt"})
            files.append(QUrl::fromLocalFile(m_dir.filePath("files/" + name)));
        const QUuid written = SharedBatch::write(files);
        QVERIFY(batchFile(written).startsWith(m_dir.filePath("data/app.parcella.shared/Batches/")));
        QVERIFY(QFile::remove(files.takeLast().toLocalFile()));

        // Written here, or by another program in the XML form; or damaged. Each is deleted once
        // read.
        const QByteArray xml = "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><data>" +
                               files[0].toEncoded().toBase64() +
                               "</data><data>bm90IGEgdXJs</data><string>x</string></array></plist>";
        const QList<QPair<QByteArray, QList<QUrl>>> cases{
            {ParcelKit::Testing::fileBytes(batchFile(written)), files},
            {xml, files.mid(0, 1)},
            {"<plist version=\"1.0\"><array><data>", {}},
            {"bplist00garbage", {}},
            {"<plist version=\"1.0\"><dict/></plist>", {}},
        };
        QVERIFY(cases[0].first.startsWith("bplist00"));
        for (const auto& [content, expected] : cases) {
            const QUuid id = QUuid::createUuid();
            QFile file(batchFile(id));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
            file.close();
            QCOMPARE(SharedBatch::take(id), expected);
            QVERIFY(!QFile::exists(batchFile(id)));
            QCOMPARE(SharedBatch::take(id), QList<QUrl>());
        }
    }

private:
    QString batchFile(const QUuid& id) const {
        return QDir(SharedBatch::directory())
            .filePath(id.toString(QUuid::WithoutBraces).toUpper() + ".plist");
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_FileIntake)
#include "tst_FileIntake.moc"
