#include "SignalNetworkMonitor.h"

namespace ParcelKit::Testing {

QCoro::Task<void> SignalNetworkMonitor::waitUntilOnline(std::stop_token token) {
    return m_signal.wait(false, std::move(token));
}

QCoro::Task<void> SignalNetworkMonitor::waitForChange(std::chrono::milliseconds upTo,
                                                      std::stop_token token) {
    return m_signal.waitForChange(upTo, std::move(token));
}

} // namespace ParcelKit::Testing
