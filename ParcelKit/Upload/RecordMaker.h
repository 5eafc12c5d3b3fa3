#pragma once

#include "UploadOptions.h"
#include "UploadRecord.h"

#include <QString>

namespace ParcelKit {

// Makes the resume record of a file the user added, and refreshes it before a retry. Both read
// the file's metadata (one stat each).
class RecordMaker {
public:
    // A new queued item, or a failed one that says why it cannot upload: the file is missing or
    // not a regular file, larger than 100 GB, or its part layout is unusable.
    static UploadRecord make(const QString& path, const QString& workspaceID,
                             const UploadOptions& options);

    // Takes the size, modification time and part size of the file as it is now, when it is still
    // a regular file; otherwise changes nothing (the worker then reports the missing file).
    static void refresh(UploadRecord& record, const UploadOptions& options);

    // `override` when set, else 16 MiB or more, so that no file has more than 1000 parts. Absent
    // for an override below 1.
    static std::optional<qint64> partSize(qint64 byteCount, const std::optional<qint64>& override);

    // Why the record cannot upload with its part size (see PartLayout::problem), also when the
    // configured override is below 1; none when it can.
    static std::optional<QString> layoutProblem(const UploadRecord& record,
                                                const UploadOptions& options);

    // Clears everything the storage knows of the upload, so the next run starts from scratch.
    static void resetToScratch(UploadRecord& record);
};

} // namespace ParcelKit
