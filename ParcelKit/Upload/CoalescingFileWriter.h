#pragma once

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace ParcelKit {

// Writes whole versions of one file on the global thread pool, in the order they were handed
// over, skipping versions superseded before their turn came. Callers never wait for the disk.
// Every writer of a path is the same object, so versions from different owners cannot overtake
// each other. A failed write is dropped: the next version is complete anyway.
class CoalescingFileWriter : public std::enable_shared_from_this<CoalescingFileWriter> {
public:
    static std::shared_ptr<CoalescingFileWriter> forPath(const QString& path);

    const QString& path() const { return m_path; }

    void write(QByteArray contents);
    // Blocks until every version handed over so far has been written or has failed.
    void waitUntilWritten();

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
    std::optional<QByteArray> m_pending;
    bool m_writing = false;
};

} // namespace ParcelKit
