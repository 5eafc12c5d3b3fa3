#pragma once

#include "Timestamp.h"

#include <QString>

#include <optional>

namespace ParcelKit::HTTP {

// Reads a wire date: "YYYY-MM-DD", "T" or a space, "hh:mm:ss", optional fraction digits and an
// optional zone ("Z", "+hh:mm" or "+hhmm"; none means UTC). Out-of-range day, month and time
// values roll over as on a lenient Gregorian calendar (day 30 of February is 2 or 1 March);
// zone offsets beyond 18 hours are refused. Pure: no locale, no time zone database, no state.
std::optional<Timestamp> parseISO8601(const QString& text);

// The date form of request bodies: UTC with milliseconds, e.g. "2025-03-01T10:20:30.250Z".
QString formatISO8601(Timestamp timestamp);

} // namespace ParcelKit::HTTP
