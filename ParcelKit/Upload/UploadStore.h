#pragma once

#include "UploadRecord.h"

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <atomic>
#include <memory>

namespace ParcelKit {

class CoalescingFileWriter;
class RecordsEncoder;

// The records of the upload queue in "uploads.json". No cache: every load reads the file, every
// save replaces it as a whole. Saving costs the caller a copy of the list: encoding and writing
// happen in the background, and a save superseded before its turn is skipped.
class UploadStore {
public:
    explicit UploadStore(QUrl url);

    const QUrl& url() const { return m_url; }

    // Empty when the file is missing, unreadable, not JSON or any record does not decode.
    // Sees every save made before through any store of the same file. A file that did not decode
    // is moved aside ("uploads.damaged-<date>.json") by the next save of this store, not lost.
    QList<UploadRecord> load() const;
    // Creates the folder, then replaces the file atomically. Failures are silent: the next save
    // writes the complete list again.
    void save(QList<UploadRecord> records) const;
    // Blocks until every save handed over so far reached the disk or failed. Destroying the
    // QCoreApplication waits for them too; a process ending another way should call this first.
    void waitForPendingSaves() const;

    static QByteArray encode(const QList<UploadRecord>& records);
    // All or nothing; throws StoredJSONError.
    static QList<UploadRecord> decode(const QByteArray& json);

private:
    QUrl m_url;
    std::shared_ptr<CoalescingFileWriter> m_writer;
    // Remembers what the last save encoded, so that the next encodes only what changed.
    std::shared_ptr<RecordsEncoder> m_encoder;
    // Set by a load that found a file it could not decode; the next save moves that file aside.
    std::shared_ptr<std::atomic<bool>> m_damaged;
};

} // namespace ParcelKit
