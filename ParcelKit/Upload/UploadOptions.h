#pragma once

#include <QList>

#include <chrono>
#include <optional>

namespace ParcelKit {

// The upload engine's tuning values. The queue copies them once when it is created and hands the
// copy to every worker.
struct UploadOptions {
    // Files uploading at once.
    int maxConcurrentFiles = 2;
    // Files uploading at once while the next to start is a single part: such a file spends most
    // of its time on requests in a row, not on bytes. Fewer than maxConcurrentFiles counts as
    // maxConcurrentFiles; larger files still start only below that.
    int maxConcurrentSinglePartFiles = 0;
    // Parts in flight per file; fewer than 1 counts as 1.
    int maxConcurrentParts = 3;
    // Capacity of the byte budget shared by all workers; fewer than 1 counts as 1.
    qint64 memoryBudget = 268'435'456;
    // Waits between retries of one request, the last one repeating; empty means no wait.
    QList<std::chrono::milliseconds> retryDelays{std::chrono::seconds(1),  std::chrono::seconds(2),
                                                 std::chrono::seconds(5),  std::chrono::seconds(10),
                                                 std::chrono::seconds(20), std::chrono::seconds(30),
                                                 std::chrono::seconds(60)};
    // Retries of a request that storage refused for a reason that will not pass by itself.
    int maxRetries = 30;
    // Confirmation polls while the service does not find the object yet.
    int confirmAttempts = 6;
    std::chrono::milliseconds confirmDelay{std::chrono::seconds(2)};
    // Period of the queue's progress tick.
    std::chrono::milliseconds progressInterval{250};
    // A fixed part size for new records instead of the size rule; must be at least 1.
    std::optional<qint64> partSizeOverride;
    // Hand finished uploads to the preview uploader.
    bool makesPreviews = true;

    bool operator==(const UploadOptions&) const = default;
};

} // namespace ParcelKit
