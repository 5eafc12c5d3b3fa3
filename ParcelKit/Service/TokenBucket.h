#pragma once

#include <QtGlobal>

#include <chrono>

namespace ParcelKit {

// Send allowance that refills at a steady rate. What goes unused piles up only to a twentieth of
// a second's worth, so an idle moment is not made up for by a spike above the rate afterwards.
// A rate of 0 means no limit. Owned by one thread; the caller supplies the time.
class TokenBucket {
public:
    using Clock = std::chrono::steady_clock;

    // Bytes per second; 0 or less lifts the limit. The allowance starts empty.
    void setRate(qint64 bytesPerSecond, Clock::time_point now);
    qint64 rate() const { return m_rate; }
    bool isLimited() const { return m_rate > 0; }
    // The most allowance that piles up.
    qint64 burst() const;

    // Takes up to `wanted` bytes of allowance, all of them without a limit.
    qint64 take(qint64 wanted, Clock::time_point now);
    // How long until half a burst has piled up, the least worth waking for; zero when it has
    // or without a limit.
    Clock::duration untilRefilled(Clock::time_point now);

private:
    void refill(Clock::time_point now);

    qint64 m_rate = 0;
    double m_allowance = 0;
    Clock::time_point m_refilledAt;
};

} // namespace ParcelKit
