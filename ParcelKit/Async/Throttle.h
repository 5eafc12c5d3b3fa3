#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <functional>

namespace ParcelKit {

// Runs an action once for any number of requests: when the event loop next turns, but never
// sooner than `interval` after the action last ran, so a burst of requests costs one run and a
// steady stream at most one per interval. Lives on one thread with an event loop.
class Throttle {
public:
    Throttle(std::chrono::milliseconds interval, std::function<void()> action);
    Throttle(const Throttle&) = delete;
    Throttle& operator=(const Throttle&) = delete;

    void request();
    bool isPending() const { return m_timer.isActive(); }
    // Runs the requested action now rather than later; nothing when none is pending.
    void flush();

private:
    void run();

    const std::chrono::milliseconds m_interval;
    const std::function<void()> m_action;
    QTimer m_timer;
    QElapsedTimer m_sinceRun;
};

} // namespace ParcelKit
