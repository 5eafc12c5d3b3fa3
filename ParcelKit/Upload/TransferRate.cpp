#include "TransferRate.h"

#include "EngineText.h"

#include <cmath>

namespace ParcelKit {

void TransferRate::add(qint64 msecs, qint64 bytesSent) {
    if (m_lastMsecs < 0 || bytesSent < m_lastBytes || msecs < m_lastMsecs) {
        m_flowing = false;
        m_lastMsecs = msecs;
        m_lastBytes = bytesSent;
        return;
    }
    if (msecs == m_lastMsecs)
        return;
    const double seconds = double(msecs - m_lastMsecs) / 1000;
    if (bytesSent > m_lastBytes && !m_flowing) {
        // The first bytes after a start or a stall: the time before them was spent waiting, so
        // the measurement begins here.
        m_flowing = true;
        m_flowingSince = {msecs, bytesSent};
        m_rate = 0;
        m_lastProgressMsecs = msecs;
    } else if (m_flowing) {
        if (bytesSent > m_lastBytes)
            m_lastProgressMsecs = msecs;
        const double flowingSeconds = double(msecs - m_flowingSince.msecs) / 1000;
        if (double(msecs - m_lastProgressMsecs) / 1000 >= stallSeconds) {
            // What the line did before a stall says little about it afterwards.
            m_flowing = false;
        } else if (flowingSeconds < warmUpSeconds || m_rate == 0) {
            // The plain average over the warm-up, so one early burst does not linger.
            m_rate = double(bytesSent - m_flowingSince.bytes) / flowingSeconds;
        } else {
            const double current = double(bytesSent - m_lastBytes) / seconds;
            m_rate += (1 - std::exp(-seconds / smoothingSeconds)) * (current - m_rate);
        }
    }
    m_lastMsecs = msecs;
    m_lastBytes = bytesSent;
}

std::optional<double> TransferRate::bytesPerSecond() const {
    if (!m_flowing || m_rate <= 0 ||
        double(m_lastMsecs - m_flowingSince.msecs) / 1000 < warmUpSeconds)
        return std::nullopt;
    return m_rate;
}

std::optional<qint64> TransferRate::secondsLeft(qint64 byteCount) const {
    const auto rate = bytesPerSecond();
    if (!rate)
        return std::nullopt;
    // Once every byte is out, the storage still has to answer and the upload to be completed:
    // never "0 s left" before the end.
    const qint64 missing = std::max<qint64>(byteCount - m_lastBytes, 0);
    return std::max<qint64>(qint64(std::ceil(double(missing) / *rate)), 1);
}

QString TransferRate::rateText(double bytesPerSecond, const QLocale& locale) {
    return locale.formattedDataSize(qint64(bytesPerSecond), 1, QLocale::DataSizeSIFormat) +
           QStringLiteral("/s");
}

QString TransferRate::timeLeftText(qint64 seconds) {
    if (seconds < 60)
        return EngineText::tr("%1 s left").arg(seconds);
    const qint64 minutes = (seconds + 59) / 60;
    if (minutes < 60)
        return EngineText::tr("%1 min left").arg(minutes);
    if (minutes % 60 == 0)
        return EngineText::tr("%1 h left").arg(minutes / 60);
    return EngineText::tr("%1 h %2 min left").arg(minutes / 60).arg(minutes % 60);
}

} // namespace ParcelKit
