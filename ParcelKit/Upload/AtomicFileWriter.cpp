#include "AtomicFileWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

namespace ParcelKit {

namespace {

// The rename is only durable once the folder's entry for it is on disk.
bool syncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace

bool AtomicFileWriter::replace(const QString& path, const QByteArray& contents) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return false;
    // QSaveFile writes to a temporary file, syncs its data before the rename and never falls back
    // to writing the target in place.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(contents) != contents.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;
    return syncFolder(folder);
}

} // namespace ParcelKit
