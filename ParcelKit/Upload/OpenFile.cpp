#include "OpenFile.h"

#include "FileChangedError.h"
#include "FileFacts.h"
#include "ParcelKitError.h"
#include "UploadMessages.h"

#include <QCoroFuture>
#include <QFile>
#include <QtConcurrent>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace ParcelKit {

std::shared_ptr<OpenFile> OpenFile::open(const QString& path, const QString& filename,
                                         QThreadPool* reads) {
    int descriptor = -1;
    do {
        descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw ParcelKitError::fileUnavailable(UploadMessages::notFound(filename));
        throw ParcelKitError::fileUnavailable(UploadMessages::unreadable(filename));
    }
    return std::shared_ptr<OpenFile>(new OpenFile(descriptor, filename, reads));
}

OpenFile::OpenFile(int descriptor, QString filename, QThreadPool* reads)
    : m_descriptor(descriptor), m_filename(std::move(filename)),
      m_reads(reads ? reads : QThreadPool::globalInstance()) {}

OpenFile::~OpenFile() {
    ::close(m_descriptor);
}

void OpenFile::checkUnchanged(qint64 byteCount, const std::optional<Timestamp>& modifiedAt) const {
    const auto facts = FileFacts::ofDescriptor(m_descriptor);
    if (!facts)
        throw ParcelKitError::fileUnavailable(UploadMessages::unreadable(m_filename));
    if (!facts->matches(byteCount, modifiedAt))
        throw FileChangedError(m_filename);
}

OpenFile::Read OpenFile::read(qint64 offset, qint64 length) const {
    Read result;
    result.bytes = QByteArray(length, Qt::Uninitialized);
    qint64 done = 0;
    while (done < length) {
        const ssize_t got =
            ::pread(m_descriptor, result.bytes.data() + done, size_t(length - done), offset + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.outcome = ReadOutcome::failed;
            return result;
        }
        if (got == 0) {
            result.outcome = ReadOutcome::endedEarly;
            return result;
        }
        done += got;
    }
    return result;
}

QCoro::Task<QByteArray> OpenFile::readPart(std::shared_ptr<OpenFile> file, qint64 offset,
                                           qint64 length) {
    auto job = [file, offset, length] { return file->read(offset, length); };
    QFuture<Read> reading = QtConcurrent::run(file->m_reads, std::move(job));
    Read result = co_await reading;
    switch (result.outcome) {
    case ReadOutcome::failed:
        throw ParcelKitError::fileUnavailable(UploadMessages::unreadable(file->filename()));
    case ReadOutcome::endedEarly:
        throw FileChangedError(file->filename());
    case ReadOutcome::complete:
        break;
    }
    co_return std::move(result.bytes);
}

} // namespace ParcelKit
