#include "SendRateLimiter.h"

#include <algorithm>

namespace ParcelKit {

using Clock = TokenBucket::Clock;

void SendRateLimiter::setRate(qint64 bytesPerSecond) {
    m_bucket.setRate(bytesPerSecond, Clock::now());
}

void SendRateLimiter::join() {
    ++m_members;
}

void SendRateLimiter::leave(CURL* easy) {
    --m_members;
    std::erase(m_paused, easy);
}

size_t SendRateLimiter::allow(CURL* easy, size_t wanted) {
    const qint64 share = std::max<qint64>(1, m_bucket.burst() / std::max<qint64>(1, m_members));
    const qint64 asked = m_bucket.isLimited() ? std::min(qint64(wanted), share) : qint64(wanted);
    const qint64 granted = m_bucket.take(asked, Clock::now());
    if (granted == 0)
        m_paused.push_back(easy);
    return size_t(granted);
}

std::chrono::milliseconds SendRateLimiter::resumeDue(std::chrono::milliseconds longest) {
    if (m_paused.empty())
        return longest;
    const auto wait = m_bucket.untilRefilled(Clock::now());
    if (wait > Clock::duration::zero())
        return std::min(longest, std::chrono::ceil<std::chrono::milliseconds>(wait));
    // Unpausing only marks the transfers; libcurl asks them for their bodies on its next turn.
    for (CURL* easy : std::exchange(m_paused, {}))
        curl_easy_pause(easy, CURLPAUSE_CONT);
    return std::chrono::milliseconds::zero();
}

} // namespace ParcelKit
