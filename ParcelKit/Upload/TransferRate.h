#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace ParcelKit {

// A smoothed sending rate and the time left from it, fed with (time, bytes sent) samples. The
// figures stay hidden until bytes have flowed for a few seconds, so tiny files and the first
// parts (which only fill buffers) never show a guess, and again after a stall until the bytes
// flow steadily once more.
class TransferRate {
public:
    // Bytes must flow this long before any figure is shown.
    static constexpr double warmUpSeconds = 3;
    // No new bytes for this long counts as a stall.
    static constexpr double stallSeconds = 3;
    // The time constant of the exponential average.
    static constexpr double smoothingSeconds = 5;

    // `msecs` from a monotonic clock; `bytesSent` is the running total. Fewer bytes than before
    // (a restarted item, a shrunken total) start the measurement afresh.
    void add(qint64 msecs, qint64 bytesSent);

    // Bytes per second, once steady.
    std::optional<double> bytesPerSecond() const;
    // Whole seconds until `byteCount` is reached, at least one; once steady.
    std::optional<qint64> secondsLeft(qint64 byteCount) const;

    // "8.1 MB/s", decimal units.
    static QString rateText(double bytesPerSecond, const QLocale& locale = {});
    // "45 s left", "2 min left", "1 h 5 min left".
    static QString timeLeftText(qint64 seconds);

private:
    struct Sample {
        qint64 msecs = 0;
        qint64 bytes = 0;
    };

    qint64 m_lastMsecs = -1;
    qint64 m_lastBytes = 0;
    qint64 m_lastProgressMsecs = 0;
    Sample m_flowingSince;
    double m_rate = 0;
    bool m_flowing = false;
};

} // namespace ParcelKit
