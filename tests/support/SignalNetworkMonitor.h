#pragma once

#include "NetworkMonitor.h"
#include "NetworkSignal.h"

namespace ParcelKit::Testing {

// A network monitor that tests drive by hand through its signal: setOnline(false) plays a lost
// connection, setOnline(true) its return.
class SignalNetworkMonitor final : public NetworkMonitor {
public:
    NetworkSignal& signal() { return m_signal; }

    bool isOnline() const override { return m_signal.isOnline(); }
    QCoro::Task<void> waitUntilOnline(std::stop_token token) override;
    QCoro::Task<void> waitForChange(std::chrono::milliseconds upTo, std::stop_token token) override;
    void nudge() override { m_signal.pulse(); }

private:
    NetworkSignal m_signal;
};

} // namespace ParcelKit::Testing
