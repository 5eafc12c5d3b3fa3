#include "Throttle.h"

#include <algorithm>

namespace ParcelKit {

Throttle::Throttle(std::chrono::milliseconds interval, std::function<void()> action)
    : m_interval(interval), m_action(std::move(action)) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { run(); });
}

void Throttle::request() {
    if (m_timer.isActive())
        return;
    const std::chrono::milliseconds since(m_sinceRun.isValid() ? m_sinceRun.elapsed()
                                                               : m_interval.count());
    m_timer.start(std::max(m_interval - since, std::chrono::milliseconds(0)));
}

void Throttle::flush() {
    if (m_timer.isActive())
        run();
}

void Throttle::run() {
    m_timer.stop();
    m_sinceRun.start();
    m_action();
}

} // namespace ParcelKit
