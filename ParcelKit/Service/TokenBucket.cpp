#include "TokenBucket.h"

#include <algorithm>
#include <cmath>

namespace ParcelKit {

namespace {
// A twentieth of a second: small enough that no second carries more than 5 % above the rate,
// large enough that a sender woken a little late loses nothing.
constexpr qint64 burstsPerSecond = 20;
constexpr qint64 smallestBurst = 512;
} // namespace

void TokenBucket::setRate(qint64 bytesPerSecond, Clock::time_point now) {
    refill(now);
    m_rate = std::max<qint64>(0, bytesPerSecond);
    m_allowance = std::min(m_allowance, double(burst()));
}

qint64 TokenBucket::burst() const {
    return std::max(smallestBurst, m_rate / burstsPerSecond);
}

qint64 TokenBucket::take(qint64 wanted, Clock::time_point now) {
    if (!isLimited() || wanted <= 0)
        return std::max<qint64>(0, wanted);
    refill(now);
    const qint64 granted = std::min(wanted, qint64(std::floor(m_allowance)));
    m_allowance -= double(granted);
    return granted;
}

TokenBucket::Clock::duration TokenBucket::untilRefilled(Clock::time_point now) {
    if (!isLimited())
        return Clock::duration::zero();
    refill(now);
    const double missing = double(burst()) / 2 - m_allowance;
    if (missing <= 0)
        return Clock::duration::zero();
    const std::chrono::duration<double> seconds(missing / double(m_rate));
    return std::chrono::ceil<Clock::duration>(seconds);
}

void TokenBucket::refill(Clock::time_point now) {
    if (now > m_refilledAt && isLimited()) {
        // The allowance is full after a twentieth of a second; longer gaps add nothing.
        const auto elapsed = std::min<Clock::duration>(now - m_refilledAt, std::chrono::seconds(1));
        const double seconds = std::chrono::duration<double>(elapsed).count();
        m_allowance = std::min(double(burst()), m_allowance + seconds * double(m_rate));
    }
    m_refilledAt = std::max(m_refilledAt, now);
}

} // namespace ParcelKit
