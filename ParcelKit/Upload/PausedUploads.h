#pragma once

#include <QSet>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <memory>

namespace ParcelKit {

class CoalescingFileWriter;

// The ids of the uploads the user paused, in "paused-uploads.json" beside "uploads.json" (a JSON
// array of ids), so that they stay paused after a restart while "uploads.json" keeps its format.
// Writes happen off the calling thread; a write that fails is made good by the next one.
class PausedUploads {
public:
    // The file goes into the folder of `storeURL`, the location of "uploads.json".
    explicit PausedUploads(const QUrl& storeURL);

    // Empty when the file is missing or does not decode: nothing then stays paused.
    QSet<QUuid> load();
    // Writes the ids unless they are what was loaded or written last.
    void save(const QSet<QUuid>& ids);

private:
    std::shared_ptr<CoalescingFileWriter> m_writer;
    QSet<QUuid> m_written;
};

} // namespace ParcelKit
