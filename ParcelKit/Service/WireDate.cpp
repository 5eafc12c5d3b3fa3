#include "WireDate.h"

#include <QRegularExpression>

#include <cstdint>

namespace ParcelKit::HTTP {

namespace {

constexpr std::int64_t secondsPerDay = 86400;
constexpr std::int64_t maximumZoneOffset = 18 * 3600;
// 2001-01-01 00:00:00 UTC in seconds since 1970-01-01 00:00:00 UTC.
constexpr std::int64_t referenceDateSince1970 = 978307200;

std::int64_t floorDivide(std::int64_t value, std::int64_t divisor) {
    const std::int64_t quotient = value / divisor;
    return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

// Days from 1970-01-01 to the given proleptic Gregorian date (month 1...12, any day number).
std::int64_t daysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = floorDivide(year, 400);
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

const QRegularExpression& wireDatePattern() {
    // Anchored with \A and \z: a bare "$" would also accept a trailing line break.
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QStringLiteral(R"((\d{4})-(\d{2})-(\d{2})[T ](\d{2}):(\d{2}):(\d{2})(?:\.(\d+))?)"
                       R"((Z|[+-]\d{2}:?\d{2})?)")));
    return pattern;
}

// Offset from UTC in seconds, or nothing for a zone that cannot exist.
std::optional<std::int64_t> zoneOffset(const QString& zone) {
    if (zone.isEmpty() || zone == QLatin1String("Z"))
        return 0;
    QString digits = zone.mid(1);
    digits.remove(QLatin1Char(':'));
    if (digits.size() != 4)
        return std::nullopt;
    const std::int64_t offset = digits.left(2).toInt() * 3600 + digits.right(2).toInt() * 60;
    if (offset > maximumZoneOffset)
        return std::nullopt;
    return zone.startsWith(QLatin1Char('-')) ? -offset : offset;
}

} // namespace

std::optional<Timestamp> parseISO8601(const QString& text) {
    const QRegularExpressionMatch match = wireDatePattern().match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto number = [&](int group) { return std::int64_t(match.capturedView(group).toInt()); };

    const std::optional<std::int64_t> offset = zoneOffset(match.captured(8));
    if (!offset)
        return std::nullopt;

    // Month rolls over into the year first, then day and time values add up from the first of
    // that month, which is how a lenient calendar treats out-of-range fields.
    const std::int64_t months = number(1) * 12 + number(2) - 1;
    const std::int64_t year = floorDivide(months, 12);
    const std::int64_t month = months - year * 12 + 1;
    const std::int64_t days = daysFromCivil(year, month, 1) + number(3) - 1;
    const std::int64_t secondsSince1970 =
        days * secondsPerDay + number(4) * 3600 + number(5) * 60 + number(6) - *offset;

    double fraction = 0;
    if (match.hasCaptured(7)) {
        bool ok = false;
        fraction = (QLatin1String("0.") + match.captured(7)).toDouble(&ok);
        if (!ok)
            fraction = 0;
    }
    return Timestamp{double(secondsSince1970 - referenceDateSince1970)}.addingSeconds(fraction);
}

QString formatISO8601(Timestamp timestamp) {
    return timestamp.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
           QLatin1Char('Z');
}

} // namespace ParcelKit::HTTP
