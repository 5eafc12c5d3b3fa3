#pragma once

#include "NetworkMonitor.h"
#include "NetworkReports.h"
#include "NetworkSignal.h"

#include <atomic>
#include <memory>

namespace ParcelKit {

// The monitor the application uses: the platform's reachability and wake reports feed one
// NetworkSignal. Create and destroy it on the thread that runs the reports (the main thread);
// everything else may be called from any thread.
class PathNetworkMonitor final : public NetworkMonitor {
public:
    // Listens to the system (QNetworkInformation and logind).
    PathNetworkMonitor();
    explicit PathNetworkMonitor(std::unique_ptr<NetworkReports> reports);
    ~PathNetworkMonitor() override;

    bool isOnline() const override;
    QCoro::Task<void> waitUntilOnline(std::stop_token token) override;
    QCoro::Task<void> waitForChange(std::chrono::milliseconds upTo, std::stop_token token) override;
    void nudge() override;
    bool isMetered() const override { return m_metered; }
    void watchMetered(QObject* context, std::function<void()> changed) override;

    const NetworkSignal& signal() const { return *m_signal; }

private:
    // Shared with the waits so that a wait still running when the monitor goes away stays safe.
    std::shared_ptr<NetworkSignal> m_signal = std::make_shared<NetworkSignal>();
    std::unique_ptr<NetworkReports> m_reports;
    std::atomic<bool> m_metered = false;
};

} // namespace ParcelKit
