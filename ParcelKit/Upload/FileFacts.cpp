#include "FileFacts.h"

#include <QFile>

#include <sys/stat.h>

#include <cmath>

namespace ParcelKit {

namespace {
FileFacts factsOf(const struct stat& info) {
    const double seconds = double(info.st_mtim.tv_sec) + double(info.st_mtim.tv_nsec) / 1e9;
    return {qint64(info.st_size), Timestamp::fromSecondsSince1970(seconds), S_ISREG(info.st_mode)};
}
} // namespace

std::optional<FileFacts> FileFacts::ofPath(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return factsOf(info);
}

std::optional<FileFacts> FileFacts::ofDescriptor(int descriptor) {
    struct stat info {};
    if (::fstat(descriptor, &info) != 0)
        return std::nullopt;
    return factsOf(info);
}

bool FileFacts::matches(qint64 byteCount, const std::optional<Timestamp>& recorded) const {
    return recorded && size == byteCount && std::abs(modifiedAt.secondsSince(*recorded)) <= 0.00001;
}

} // namespace ParcelKit
