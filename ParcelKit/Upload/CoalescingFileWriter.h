#pragma once

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace ParcelKit {

// Writes whole versions of one file on the global thread pool, in the order they were handed
// over, skipping versions superseded before their turn came. A version is handed over as the
// function that makes its bytes, so that a skipped version is never even encoded and callers
// neither encode nor wait for the disk.
// Every writer of a path is the same object, so versions from different owners cannot overtake
// each other. A failed write is dropped: the next version is complete anyway.
class CoalescingFileWriter : public std::enable_shared_from_this<CoalescingFileWriter> {
public:
    static std::shared_ptr<CoalescingFileWriter> forPath(const QString& path);

    using Contents = std::function<QByteArray()>;

    const QString& path() const { return m_path; }

    // `contents` runs on a pool thread, at most once, and only if no later version came first.
    void write(Contents contents);
    // Blocks until every version handed over so far has been written or has failed.
    void waitUntilWritten();
    // The file once every version handed over so far is written; none when it cannot be read.
    std::optional<QByteArray> read();

private:
    // Only forPath makes writers, so that a path has one.
    struct Key {
        explicit Key() = default;
    };

public:
    CoalescingFileWriter(Key, QString path) : m_path(std::move(path)) {}

private:
    void drain();

    const QString m_path;
    std::mutex m_mutex;
    std::condition_variable m_idle;
    Contents m_pending;
    bool m_writing = false;
};

} // namespace ParcelKit
