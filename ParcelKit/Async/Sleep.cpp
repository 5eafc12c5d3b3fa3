#include "Sleep.h"

#include "Continuation.h"

#include <QSocketNotifier>
#include <QTimer>

#ifdef Q_OS_LINUX
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace ParcelKit {

namespace {

// Holds the timer of one sleep; owned by the sleeping coroutine's thread.
class TimerSleep : public QObject {
public:
    TimerSleep(std::chrono::milliseconds duration, Continuation<> continuation) {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, this,
                         [continuation] { continuation.resume(); });
        m_timer.start(duration);
    }

private:
    QTimer m_timer;
};

#ifdef Q_OS_LINUX
class BoottimeSleep : public QObject {
public:
    BoottimeSleep(std::chrono::milliseconds duration, Continuation<> continuation)
        : m_fd(timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC)) {
        if (m_fd < 0) {
            m_fallback = std::make_unique<TimerSleep>(duration, continuation);
            return;
        }
        const auto ms = std::max<std::int64_t>(duration.count(), 0);
        itimerspec spec{};
        spec.it_value.tv_sec = ms / 1000;
        spec.it_value.tv_nsec = (ms % 1000) * 1000000 + (ms == 0 ? 1 : 0);
        timerfd_settime(m_fd, 0, &spec, nullptr);
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, this, [this, continuation] {
            std::uint64_t expirations = 0;
            [[maybe_unused]] auto n = ::read(m_fd, &expirations, sizeof expirations);
            m_notifier->setEnabled(false);
            continuation.resume();
        });
    }
    ~BoottimeSleep() override {
        m_notifier.reset();
        if (m_fd >= 0)
            ::close(m_fd);
    }

private:
    int m_fd;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::unique_ptr<TimerSleep> m_fallback;
};
using ContinuousSleep = BoottimeSleep;
#else
using ContinuousSleep = TimerSleep;
#endif

template <typename Sleeper>
QCoro::Task<void> sleepWith(std::chrono::milliseconds duration, std::stop_token token) {
    throwIfCancelled(token);
    std::unique_ptr<Sleeper> sleeper;
    // The sleeper is destroyed on this thread after resumption, whichever way the wait ended.
    auto registration = [&sleeper, duration](Continuation<> continuation) {
        sleeper = std::make_unique<Sleeper>(duration, std::move(continuation));
    };
    co_await suspend<void>(token, std::move(registration));
}

} // namespace

QCoro::Task<void> sleepFor(std::chrono::milliseconds duration, std::stop_token token) {
    co_await sleepWith<TimerSleep>(duration, std::move(token));
}

QCoro::Task<void> sleepContinuous(std::chrono::milliseconds duration, std::stop_token token) {
    co_await sleepWith<ContinuousSleep>(duration, std::move(token));
}

QCoro::Task<void> waitForStop(std::stop_token token) {
    auto registration = [](Continuation<>) {};
    co_await suspend<void>(token, std::move(registration));
}

} // namespace ParcelKit
