#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace devservice {

// Times as the service stores them (milliseconds since the Unix epoch) and as the wire shows
// them (ISO 8601 in UTC with milliseconds and "Z").
class Clock {
public:
    static std::int64_t nowMs();
    // Moves the service's time forward, so that tests can pass expiries and grace periods
    // without waiting for them (the admin endpoint). Presigned storage URLs keep real time.
    static void advance(std::chrono::milliseconds by);
    static std::string wireDate(std::int64_t ms);
    // "Sat, 01 Mar 2025 10:20:30 +0000" for e-mail headers.
    static std::string mailDate(std::int64_t ms);
    static constexpr std::int64_t dayMs = 24LL * 3600 * 1000;
};

} // namespace devservice
