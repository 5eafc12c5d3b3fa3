#pragma once

#include "HTTP.h"

#include <memory>

namespace ParcelKit {

// The shared URL session: one engine-owned network thread driving a libcurl multi handle.
// Connections are reused across requests; results come back on the awaiting coroutine's thread;
// a stop removes the transfer and ends the await with Cancelled.
class URLSession {
public:
    URLSession();
    ~URLSession();
    URLSession(const URLSession&) = delete;
    URLSession& operator=(const URLSession&) = delete;

    // Performs one request. Throws TransportError when no complete answer arrived, Cancelled
    // when `token` stopped first. An answer that is not HTTP at all comes back with status 0.
    QCoro::Task<HTTP::Answer> perform(HTTPRequest request, HTTP::ProgressCallback progress,
                                      std::stop_token token);

    // Bytes per second that the bodies of requests marked uploadRateLimited send together;
    // 0 lifts the limit. Takes effect at once, for requests in flight too. Any thread.
    void setUploadRateLimit(qint64 bytesPerSecond);

private:
    class Engine;
    std::unique_ptr<Engine> m_engine;
};

} // namespace ParcelKit
