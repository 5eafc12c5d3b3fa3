// The wire-date reader on arbitrary text: no crash, no undefined behaviour, and any date it reads
// in years 1 to 9999 survives being written as a wire date and read again, to the millisecond
// (give or take the few microseconds a double holds at such magnitudes).
#include "WireDate.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace ParcelKit;

namespace {

// 0001-01-01 and 10000-01-01 in seconds since 2001-01-01 00:00:00 UTC.
constexpr double firstYear = -63113904000.0;
constexpr double pastLastYear = 252423993600.0;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto date = HTTP::parseISO8601(text);
    if (!date)
        return 0;
    const double seconds = date->secondsSinceReferenceDate;
    if (!std::isfinite(seconds))
        std::abort();
    if (seconds < firstYear || seconds >= pastLastYear - 1)
        return 0;
    const auto again = HTTP::parseISO8601(HTTP::formatISO8601(*date));
    if (!again || std::abs(again->secondsSinceReferenceDate - seconds) > 0.0006)
        std::abort();
    return 0;
}
