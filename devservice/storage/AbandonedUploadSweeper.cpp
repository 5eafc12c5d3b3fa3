#include "AbandonedUploadSweeper.h"

#include "MultipartUploads.h"

#include <algorithm>

namespace devservice {

AbandonedUploadSweeper::AbandonedUploadSweeper(MultipartUploads& uploads,
                                               std::chrono::seconds maxIdle, Now now)
    : m_uploads(uploads), m_maxIdle(maxIdle), m_now(std::move(now)), m_thread([this] { run(); }) {}

AbandonedUploadSweeper::~AbandonedUploadSweeper() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

int AbandonedUploadSweeper::sweep() {
    return m_uploads.abortIdleSince(m_now() - m_maxIdle);
}

void AbandonedUploadSweeper::run() {
    // A few passes per age at most once an hour: an upload outlives its age by a fraction.
    const auto interval = std::clamp<std::chrono::seconds>(m_maxIdle / 4, std::chrono::seconds(1),
                                                           std::chrono::hours(1));
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        lock.unlock();
        sweep();
        lock.lock();
        m_wake.wait_for(lock, interval, [this] { return m_stopping; });
    }
}

} // namespace devservice
