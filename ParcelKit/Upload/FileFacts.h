#pragma once

#include "Timestamp.h"

#include <QString>

#include <optional>

namespace ParcelKit {

// What the upload engine compares to tell whether a file changed: its size and its content
// modification time with full nanosecond precision (a millisecond date would never match).
struct FileFacts {
    qint64 size = 0;
    Timestamp modifiedAt;
    bool isRegularFile = false;

    // Absent when the file cannot be examined.
    static std::optional<FileFacts> ofPath(const QString& path);
    static std::optional<FileFacts> ofDescriptor(int descriptor);

    // Same size and a modification time within 10 microseconds of `modifiedAt`; a record without
    // a modification time never matches.
    bool matches(qint64 byteCount, const std::optional<Timestamp>& modifiedAt) const;
};

} // namespace ParcelKit
