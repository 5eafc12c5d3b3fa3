#pragma once

#include <QDateTime>

#include <compare>

namespace ParcelKit {

// An absolute point in time as seconds since 2001-01-01 00:00:00 UTC, kept as a double so that
// sub-millisecond fractions of wire dates and stored files survive a round trip (QDateTime keeps
// milliseconds only).
struct Timestamp {
    double secondsSinceReferenceDate = 0;

    static Timestamp now();
    static Timestamp fromDateTime(const QDateTime& dateTime);
    static Timestamp fromSecondsSince1970(double seconds);

    QDateTime toDateTime() const;
    double secondsSince1970() const;

    Timestamp addingSeconds(double seconds) const { return {secondsSinceReferenceDate + seconds}; }
    double secondsSince(const Timestamp& other) const {
        return secondsSinceReferenceDate - other.secondsSinceReferenceDate;
    }

    auto operator<=>(const Timestamp&) const = default;
};

} // namespace ParcelKit
