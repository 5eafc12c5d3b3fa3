#include "UploadStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace ParcelKit;

namespace {

QList<UploadRecord> recordsNamed(const QStringList& names, qint64 padding = 0) {
    QList<UploadRecord> records;
    for (const auto& name : names) {
        UploadRecord record;
        record.item = {QUuid::createUuid(), name, 1 << 30, 0, UploadState::queued(), "ws", {}};
        record.path = "/data/" + name + QString(padding, u'x');
        record.partSize = 16777216;
        records.append(record);
    }
    return records;
}

// Files in the folder other than `keep`: a save must leave no temporary file behind.
QStringList leftovers(const QString& folder, const QString& keep) {
    auto names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    names.removeAll(keep);
    return names;
}

} // namespace

class tst_UploadStore : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void missingEmptyOrCorruptFilesLoadEmpty() {
        QCOMPARE(UploadStore(QUrl::fromLocalFile(m_dir->filePath("none.json"))).load(),
                 QList<UploadRecord>{});
        for (const QByteArray& contents :
             {QByteArray(), QByteArray("[]"), QByteArray("[{\"item\":"), QByteArray("{}"),
              QByteArray("\xff\xfe[]")}) {
            const UploadStore store(QUrl::fromLocalFile(write(contents)));
            QCOMPARE(store.load(), QList<UploadRecord>{});
        }
        QCOMPARE(UploadStore(QUrl::fromLocalFile(m_dir->path())).load(), QList<UploadRecord>{});
    }

    void laterSavesWinAndOtherStoresSeeThem() {
        const QUrl url = QUrl::fromLocalFile(m_dir->filePath("uploads.json"));
        QList<UploadRecord> last;
        {
            const UploadStore writer(url);
            for (int i = 1; i <= 50; ++i) {
                last = recordsNamed({QString("file-%1").arg(i)}, i * 100);
                writer.save(last);
            }
        }
        // A store made later for the same file waits for the saves still on their way.
        QCOMPARE(UploadStore(url).load(), last);
        UploadStore(url).save({});
        QCOMPARE(UploadStore(url).load(), QList<UploadRecord>{});
    }

    void eachSaveWritesTheWholeListAfresh() {
        // A save encodes only the records that changed since the one before; the file must still be
        // exactly what encoding the whole list gives. The first save makes the folder.
        const QString path = m_dir->filePath("Application Support/Parcella/uploads.json");
        const UploadStore store(QUrl::fromLocalFile(path));
        const QList<UploadRecord> first = recordsNamed({"a.bin", "b.bin", "c.bin"});
        QList<UploadRecord> changed = first;
        changed[1].parts.append({1, "\"etag\"", 16777216});
        changed[1].item.state = UploadState::uploading();
        changed[2].item.bytesSent = 5;
        QList<UploadRecord> shuffled = {changed[2], recordsNamed({"d.bin"}).first(), changed[0]};
        const QList<UploadRecord> repeated = {changed[0], first[0], first[1]};
        for (const auto& records :
             {first, changed, shuffled, QList<UploadRecord>{}, first, first, repeated, first}) {
            store.save(records);
            store.waitForPendingSaves();
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), UploadStore::encode(records));
            QCOMPARE(store.load(), records);
        }
        QCOMPARE(leftovers(QFileInfo(path).path(), "uploads.json"), QStringList{});
    }

    void failedSaveKeepsTheOldFile() {
        const auto old = recordsNamed({"old.bin"});
        const QString path = write(UploadStore::encode(old));

        // The folder cannot be made: a file stands where it would go.
        const UploadStore blocked(QUrl::fromLocalFile(path + "/nested/uploads.json"));
        blocked.save(old);
        blocked.waitForPendingSaves();
        QCOMPARE(blocked.load(), QList<UploadRecord>{});

        // The target is a folder that cannot be replaced.
        const QString folder = m_dir->filePath("taken.json");
        QVERIFY(QDir().mkpath(folder + "/inside"));
        UploadStore(QUrl::fromLocalFile(folder)).save(old);
        UploadStore(QUrl::fromLocalFile(folder)).waitForPendingSaves();
        QVERIFY(QFileInfo(folder + "/inside").isDir());

        QCOMPARE(UploadStore(QUrl::fromLocalFile(path)).load(), old);
    }

    void tooLargeWriteKeepsTheOldFile() {
        const auto old = recordsNamed({"old.bin"});
        const QString path = write(UploadStore::encode(old));
        const UploadStore store(QUrl::fromLocalFile(path));

        // Writes past the file size limit fail part way, as on a disk that fills up mid-file.
        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = 64 * 1024;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        store.save(recordsNamed({"a.bin", "b.bin", "c.bin", "d.bin"}, 40000));
        store.waitForPendingSaves();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QCOMPARE(store.load(), old);
        QCOMPARE(leftovers(m_dir->path(), "uploads.json"), QStringList{});

        // Once there is room again the next save goes through whole.
        const auto fresh = recordsNamed({"new.bin"}, 20000);
        store.save(fresh);
        QCOMPARE(store.load(), fresh);
    }

private:
    QString write(const QByteArray& contents) {
        const QString path = m_dir->filePath("uploads.json");
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(contents);
        return path;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(tst_UploadStore)
#include "tst_UploadStore.moc"
