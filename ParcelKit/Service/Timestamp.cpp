#include "Timestamp.h"

#include <chrono>
#include <cmath>

namespace ParcelKit {

namespace {
// 2001-01-01 00:00:00 UTC in seconds since 1970-01-01 00:00:00 UTC.
constexpr double referenceDateSince1970 = 978307200.0;
} // namespace

Timestamp Timestamp::now() {
    using namespace std::chrono;
    const auto since1970 = duration<double>(system_clock::now().time_since_epoch()).count();
    return fromSecondsSince1970(since1970);
}

Timestamp Timestamp::fromDateTime(const QDateTime& dateTime) {
    return fromSecondsSince1970(double(dateTime.toMSecsSinceEpoch()) / 1000.0);
}

Timestamp Timestamp::fromSecondsSince1970(double seconds) {
    return {seconds - referenceDateSince1970};
}

double Timestamp::secondsSince1970() const {
    return secondsSinceReferenceDate + referenceDateSince1970;
}

QDateTime Timestamp::toDateTime() const {
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(secondsSince1970() * 1000.0)),
                                          Qt::UTC);
}

} // namespace ParcelKit
