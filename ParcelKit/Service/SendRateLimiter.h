#pragma once

#include "TokenBucket.h"

#include <curl/curl.h>

#include <chrono>
#include <vector>

namespace ParcelKit {

// The one limit that the rate-limited request bodies of a session share, kept on the network
// thread. A transfer asks before each slice of its body; when nothing is left it pauses and is
// resumed once the allowance has refilled. No ask gets more than an even share of a burst, so
// the parts in flight move side by side and none starves into its idle timeout.
class SendRateLimiter {
public:
    // Bytes per second; 0 lifts the limit and resumes whatever waits.
    void setRate(qint64 bytesPerSecond);

    void join();
    // Forgets a transfer that ends, paused or not.
    void leave(CURL* easy);

    // How many of `wanted` body bytes `easy` may send now; 0 when it must pause, in which case
    // it is remembered for resumeDue.
    size_t allow(CURL* easy, size_t wanted);
    // Resumes the paused transfers once the allowance is worth it; answers how long the network
    // loop may sleep before asking again, at most `longest`.
    std::chrono::milliseconds resumeDue(std::chrono::milliseconds longest);

private:
    TokenBucket m_bucket;
    std::vector<CURL*> m_paused;
    qint64 m_members = 0;
};

} // namespace ParcelKit
