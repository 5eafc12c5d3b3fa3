#include "CoalescingFileWriter.h"

#include "AtomicFileWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QThreadPool>

#include <utility>

namespace ParcelKit {

std::shared_ptr<CoalescingFileWriter> CoalescingFileWriter::forPath(const QString& path) {
    static std::mutex mutex;
    static QHash<QString, std::weak_ptr<CoalescingFileWriter>> writers;
    const QString key = QFileInfo(path).absoluteFilePath();
    std::lock_guard guard(mutex);
    if (auto writer = writers.value(key).lock())
        return writer;
    writers.removeIf([](const auto& entry) { return entry.value().expired(); });
    auto writer = std::make_shared<CoalescingFileWriter>(Key{}, key);
    writers.insert(key, writer);
    return writer;
}

void CoalescingFileWriter::write(Contents contents) {
    std::lock_guard guard(m_mutex);
    m_pending = std::move(contents);
    if (m_writing)
        return;
    m_writing = true;
    // The job keeps the writer alive until the last version is on disk; QCoreApplication waits
    // for the global pool when it is destroyed, so a clean quit loses no version.
    QThreadPool::globalInstance()->start([self = shared_from_this()] { self->drain(); });
}

void CoalescingFileWriter::waitUntilWritten() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_writing; });
}

std::optional<QByteArray> CoalescingFileWriter::read() {
    waitUntilWritten();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

void CoalescingFileWriter::drain() {
    for (;;) {
        Contents contents;
        {
            std::lock_guard guard(m_mutex);
            if (!m_pending) {
                m_writing = false;
                m_idle.notify_all();
                return;
            }
            contents = std::exchange(m_pending, nullptr);
        }
        AtomicFileWriter::replace(m_path, contents());
    }
}

} // namespace ParcelKit
