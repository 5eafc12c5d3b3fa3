#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace devservice {

class MultipartUploads;

// Aborts multipart uploads that nobody completed or aborted, like a storage lifecycle rule, so
// their parts do not stay on disk for ever. Sweeps on its own thread now and then.
class AbandonedUploadSweeper {
public:
    using Now = std::function<std::chrono::system_clock::time_point()>;

    AbandonedUploadSweeper(MultipartUploads& uploads, std::chrono::seconds maxIdle, Now now);
    ~AbandonedUploadSweeper();
    AbandonedUploadSweeper(const AbandonedUploadSweeper&) = delete;
    AbandonedUploadSweeper& operator=(const AbandonedUploadSweeper&) = delete;

    // One pass now; the number of uploads aborted.
    int sweep();

private:
    void run();

    MultipartUploads& m_uploads;
    const std::chrono::seconds m_maxIdle;
    const Now m_now;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace devservice
