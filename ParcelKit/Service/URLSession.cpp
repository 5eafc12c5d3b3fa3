#include "URLSession.h"

#include "Continuation.h"
#include "CurlTransfer.h"
#include "ParcelKitError.h"
#include "SendRateLimiter.h"
#include "TransportError.h"

#include <curl/curl.h>

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace ParcelKit {

namespace {

// Idle easy handles kept for reuse; connections themselves live in the multi handle's cache.
constexpr size_t maxPooledHandles = 16;
// The network loop sleeps at most this long when nothing wakes it.
constexpr std::chrono::milliseconds idleWait{10'000};

void initializeCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The hand-over point between awaiting threads and the network thread. Stop callbacks hold it
// by shared pointer, so a late cancellation after the session ended finds it still there.
class Mailbox {
public:
    explicit Mailbox(CURLM* multi) : m_multi(multi) {}

    // False when the network thread has ended; the caller then fails the transfer itself.
    bool add(std::unique_ptr<CurlTransfer> transfer) {
        std::lock_guard lock(m_mutex);
        if (!m_multi)
            return false;
        m_added.push_back(std::move(transfer));
        wake();
        return true;
    }

    void cancel(quint64 id) {
        std::lock_guard lock(m_mutex);
        if (!m_multi)
            return;
        m_cancelled.push_back(id);
        wake();
    }

    void setUploadRate(qint64 bytesPerSecond) {
        std::lock_guard lock(m_mutex);
        m_uploadRate = bytesPerSecond;
        if (m_multi)
            wake();
    }

    void stop() {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        if (m_multi)
            wake();
    }

    struct Work {
        std::vector<std::unique_ptr<CurlTransfer>> added;
        std::vector<quint64> cancelled;
        std::optional<qint64> uploadRate;
        bool stopping = false;
    };

    // Cheap enough to call on every turn of the network loop: it locks only when work waits.
    Work take() {
        Work work;
        if (!m_hasWork.load(std::memory_order_acquire))
            return work;
        std::lock_guard lock(m_mutex);
        m_hasWork.store(false, std::memory_order_relaxed);
        work.added = std::move(m_added);
        work.cancelled = std::move(m_cancelled);
        work.uploadRate = std::exchange(m_uploadRate, std::nullopt);
        work.stopping = m_stopping;
        return work;
    }

    // Called by the network thread when it ends; whatever arrived meanwhile is handed back.
    std::vector<std::unique_ptr<CurlTransfer>> close() {
        std::lock_guard lock(m_mutex);
        m_multi = nullptr;
        return std::move(m_added);
    }

    quint64 nextID() { return m_nextID.fetch_add(1, std::memory_order_relaxed); }

private:
    void wake() {
        m_hasWork.store(true, std::memory_order_release);
        curl_multi_wakeup(m_multi);
    }

    std::mutex m_mutex;
    CURLM* m_multi;
    std::vector<std::unique_ptr<CurlTransfer>> m_added;
    std::vector<quint64> m_cancelled;
    std::optional<qint64> m_uploadRate;
    bool m_stopping = false;
    std::atomic<bool> m_hasWork{false};
    std::atomic<quint64> m_nextID{1};
};

} // namespace

// Owns the multi handle and the network thread that drives it; every libcurl call on a handle
// happens on that thread.
class URLSession::Engine {
public:
    Engine() : m_multi(curl_multi_init()), m_mailbox(std::make_shared<Mailbox>(m_multi)) {
        m_thread = std::thread([this] { run(); });
    }

    ~Engine() {
        m_mailbox->stop();
        m_thread.join();
        curl_multi_cleanup(m_multi);
    }

    const std::shared_ptr<Mailbox>& mailbox() const { return m_mailbox; }

private:
    void run() {
        for (;;) {
            auto work = m_mailbox->take();
            if (work.uploadRate)
                m_limiter.setRate(*work.uploadRate);
            // Added before cancelled: a transfer may be cancelled in the same batch that adds it.
            for (auto& transfer : work.added)
                start(std::move(transfer));
            for (quint64 id : work.cancelled)
                release(id);
            if (work.stopping)
                break;
            int running = 0;
            curl_multi_perform(m_multi, &running);
            collectFinished();
            const auto wait = m_limiter.resumeDue(idleWait);
            curl_multi_poll(m_multi, nullptr, 0, int(wait.count()), nullptr);
        }
        shutDown();
    }

    void start(std::unique_ptr<CurlTransfer> transfer) {
        CURL* easy = takeHandle();
        if (!easy) {
            transfer->continuation().fail(TransportError::fromCurl(CURLE_FAILED_INIT));
            return;
        }
        if (!transfer->attach(easy, m_limiter) ||
            curl_multi_add_handle(m_multi, easy) != CURLM_OK) {
            transfer->continuation().fail(TransportError::fromCurl(CURLE_FAILED_INIT));
            recycle(transfer->detach());
            return;
        }
        const quint64 id = transfer->id();
        m_active.emplace(id, std::move(transfer));
    }

    void collectFinished() {
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(m_multi, &queued)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            const CURLcode result = message->data.result;
            CurlTransfer* transfer = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
            transfer->finish(result);
            release(transfer->id());
        }
    }

    // Removes a transfer, finished or not; libcurl closes a connection left mid-request.
    void release(quint64 id) {
        auto found = m_active.find(id);
        if (found == m_active.end())
            return;
        CURL* easy = found->second->detach();
        curl_multi_remove_handle(m_multi, easy);
        m_active.erase(found);
        recycle(easy);
    }

    CURL* takeHandle() {
        if (m_pool.empty())
            return curl_easy_init();
        CURL* easy = m_pool.back();
        m_pool.pop_back();
        return easy;
    }

    void recycle(CURL* easy) {
        if (m_pool.size() >= maxPooledHandles) {
            curl_easy_cleanup(easy);
            return;
        }
        curl_easy_reset(easy);
        m_pool.push_back(easy);
    }

    void shutDown() {
        for (auto& transfer : m_mailbox->close())
            transfer->continuation().fail(Cancelled{});
        while (!m_active.empty()) {
            m_active.begin()->second->continuation().fail(Cancelled{});
            release(m_active.begin()->first);
        }
        for (CURL* easy : m_pool)
            curl_easy_cleanup(easy);
        m_pool.clear();
    }

    CURLM* m_multi;
    std::shared_ptr<Mailbox> m_mailbox;
    // Before the transfers, which leave it as they end.
    SendRateLimiter m_limiter;
    std::map<quint64, std::unique_ptr<CurlTransfer>> m_active;
    std::vector<CURL*> m_pool;
    std::thread m_thread;
};

URLSession::URLSession() {
    initializeCurlOnce();
    m_engine = std::make_unique<Engine>();
}

URLSession::~URLSession() = default;

void URLSession::setUploadRateLimit(qint64 bytesPerSecond) {
    m_engine->mailbox()->setUploadRate(std::max<qint64>(0, bytesPerSecond));
}

QCoro::Task<HTTP::Answer> URLSession::perform(HTTPRequest request, HTTP::ProgressCallback progress,
                                              std::stop_token token) {
    throwIfCancelled(token);
    if (!request.url.isValid() || request.url.isRelative() || request.url.host().isEmpty())
        throw TransportError::fromCurl(CURLE_URL_MALFORMAT);
    const QString scheme = request.url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        throw TransportError::fromCurl(CURLE_UNSUPPORTED_PROTOCOL);
    // Header values can carry text the server chose (a token, a signed header); a line break in
    // one would smuggle further headers into the request.
    for (const auto& [name, value] : request.headers) {
        if (name.contains('\r') || name.contains('\n') || name.contains('\0') ||
            value.contains('\r') || value.contains('\n') || value.contains('\0'))
            throw ParcelKitError::server(
                0, engineText("The request can't be sent: a header holds a line break."));
    }

    std::shared_ptr<Mailbox> mailbox = m_engine->mailbox();
    const quint64 id = mailbox->nextID();
    auto held = std::make_shared<Continuation<HTTP::Answer>>();
    auto registration = [&](Continuation<HTTP::Answer> continuation) {
        *held = continuation;
        auto transfer = std::make_unique<CurlTransfer>(id, std::move(request), std::move(progress),
                                                       continuation);
        if (!mailbox->add(std::move(transfer)))
            continuation.fail(Cancelled{});
    };
    auto onCancel = [mailbox, id, held] {
        mailbox->cancel(id);
        held->fail(Cancelled{});
    };
    // Named, not temporary: g++ 12 destroys lambda temporaries of a co_await expression twice.
    co_return co_await suspend<HTTP::Answer>(token, std::move(registration), std::move(onCancel));
}

} // namespace ParcelKit
