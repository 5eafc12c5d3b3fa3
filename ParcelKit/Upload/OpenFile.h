#pragma once

#include "Timestamp.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>

class QThreadPool;

#include <memory>
#include <optional>

namespace ParcelKit {

// One read-only descriptor of the file a run uploads, shared by all its parts. Reads are
// positional, so no file offset is shared; the descriptor closes with the last owner, which may
// be a read still running on the thread pool.
class OpenFile {
public:
    // Throws ParcelKitError::fileUnavailable: "%@ can no longer be found." when the file or a
    // folder on its path is missing, "%@ can no longer be read." for any other failure. Reads
    // run on `reads` (which must outlive them), else on the global thread pool.
    static std::shared_ptr<OpenFile> open(const QString& path, const QString& filename,
                                          QThreadPool* reads = nullptr);

    ~OpenFile();
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    const QString& filename() const { return m_filename; }
    int descriptor() const { return m_descriptor; }

    // Throws FileChangedError unless size and modification time still match the record, and
    // "%@ can no longer be read." when the file cannot be examined.
    void checkUnchanged(qint64 byteCount, const std::optional<Timestamp>& modifiedAt) const;

    // Reads `length` bytes at `offset` on the file's pool, resuming on the calling thread. Throws
    // "%@ can no longer be read." on a read error and FileChangedError when the file ends early.
    static QCoro::Task<QByteArray> readPart(std::shared_ptr<OpenFile> file, qint64 offset,
                                            qint64 length);

private:
    enum class ReadOutcome { complete, endedEarly, failed };
    struct Read {
        QByteArray bytes;
        ReadOutcome outcome = ReadOutcome::complete;
    };

    OpenFile(int descriptor, QString filename, QThreadPool* reads);
    // Blocks; runs on the thread pool.
    Read read(qint64 offset, qint64 length) const;

    int m_descriptor;
    QString m_filename;
    QThreadPool* m_reads;
};

} // namespace ParcelKit
