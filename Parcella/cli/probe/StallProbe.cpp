#include "StallProbe.h"

#include <algorithm>
#include <cstdio>

namespace Parcella {

namespace {
constexpr int intervalMs = 5;
}

StallProbe::StallProbe() {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(intervalMs);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { tick(); });
    m_clock.start();
    m_timer.start();
}

StallProbe::~StallProbe() {
    std::fprintf(stderr, "parcella-cli: longest main-thread stall %.1f ms\n",
                 double(m_longest) / 1e6);
}

void StallProbe::tick() {
    const qint64 now = m_clock.nsecsElapsed();
    m_longest = std::max(m_longest, now - m_lastTick - qint64(intervalMs) * 1'000'000);
    m_lastTick = now;
}

} // namespace Parcella
