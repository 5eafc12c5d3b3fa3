#include "StallProbe.h"

#include <cstdio>
#include <ctime>

namespace Parcella {

namespace {
constexpr int intervalMs = 5;

qint64 threadCpuNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}
} // namespace

StallProbe::StallProbe() {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(intervalMs);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { tick(); });
    m_clock.start();
    m_lastCpu = threadCpuNanoseconds();
    m_timer.start();
}

StallProbe::~StallProbe() {
    std::fprintf(stderr,
                 "parcella-cli: longest main-thread stall %.1f ms (%.1f ms of it on the CPU)\n",
                 double(m_longest) / 1e6, double(m_longestCpu) / 1e6);
}

void StallProbe::tick() {
    const qint64 now = m_clock.nsecsElapsed();
    const qint64 cpu = threadCpuNanoseconds();
    const qint64 late = now - m_lastTick - qint64(intervalMs) * 1'000'000;
    if (late > m_longest) {
        m_longest = late;
        m_longestCpu = cpu - m_lastCpu;
    }
    m_lastTick = now;
    m_lastCpu = cpu;
}

} // namespace Parcella
