#pragma once

#include <QElapsedTimer>
#include <QTimer>

namespace Parcella {

// Measures how late the main thread's event loop serves a short periodic timer; the worst delay
// is the longest time the thread was kept from its events. The thread's own CPU time during that
// delay tells work on the thread (close to the delay) from waiting for a core or a lock (close to
// none). Built into benchmark builds only.
class StallProbe {
public:
    StallProbe();
    // Reports the longest stall to standard error.
    ~StallProbe();
    StallProbe(const StallProbe&) = delete;
    StallProbe& operator=(const StallProbe&) = delete;

private:
    void tick();

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastTick = 0;
    qint64 m_lastCpu = 0;
    qint64 m_longest = 0;
    qint64 m_longestCpu = 0;
};

} // namespace Parcella
