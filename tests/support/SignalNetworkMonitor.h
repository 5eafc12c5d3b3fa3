#pragma once

#include "NetworkMonitor.h"
#include "NetworkReports.h"
#include "NetworkSignal.h"

#include <atomic>

namespace ParcelKit::Testing {

// A network monitor that tests drive by hand through its signal: setOnline(false) plays a lost
// connection, setOnline(true) its return; setMetered plays a metered connection coming and going.
class SignalNetworkMonitor final : public NetworkMonitor {
public:
    NetworkSignal& signal() { return m_signal; }

    bool isOnline() const override { return m_signal.isOnline(); }
    QCoro::Task<void> waitUntilOnline(std::stop_token token) override;
    QCoro::Task<void> waitForChange(std::chrono::milliseconds upTo, std::stop_token token) override;
    void nudge() override { m_signal.pulse(); }
    bool isMetered() const override { return m_metered; }
    void watchMetered(QObject* context, std::function<void()> changed) override;
    void setMetered(bool metered);

private:
    NetworkSignal m_signal;
    NetworkReports m_reports;
    std::atomic<bool> m_metered = false;
};

} // namespace ParcelKit::Testing
