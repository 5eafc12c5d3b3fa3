#pragma once

#include <QByteArray>
#include <QString>

namespace ParcelKit {

// Replaces a file as a whole and durably: the contents go to a temporary file in the same folder,
// reach the disk, and are renamed over the old file, whose folder is then synced too. A crash or a
// full disk at any point leaves the old file or the new one, never a mix. Blocks on the disk.
class AtomicFileWriter {
public:
    // Creates missing folders first; false (and nothing written) when any step fails.
    static bool replace(const QString& path, const QByteArray& contents);
};

} // namespace ParcelKit
