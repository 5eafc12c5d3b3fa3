#include "service/Clock.h"

#include <atomic>
#include <cstdio>
#include <ctime>

namespace devservice {

namespace {
std::atomic<std::int64_t> offsetMs{0};
}

std::int64_t Clock::nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count() +
           offsetMs.load();
}

void Clock::advance(std::chrono::milliseconds by) {
    offsetMs += by.count();
}

std::string Clock::wireDate(std::int64_t ms) {
    const std::time_t seconds = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    const int millis = int(ms - std::int64_t(seconds) * 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, millis);
    return text;
}

std::string Clock::mailDate(std::int64_t ms) {
    static constexpr const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t seconds = ms / 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", days[utc.tm_wday],
                  utc.tm_mday, months[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                  utc.tm_sec);
    return text;
}

} // namespace devservice
