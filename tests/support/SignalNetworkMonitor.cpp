#include "SignalNetworkMonitor.h"

namespace ParcelKit::Testing {

QCoro::Task<void> SignalNetworkMonitor::waitUntilOnline(std::stop_token token) {
    return m_signal.wait(false, std::move(token));
}

QCoro::Task<void> SignalNetworkMonitor::waitForChange(std::chrono::milliseconds upTo,
                                                      std::stop_token token) {
    return m_signal.waitForChange(upTo, std::move(token));
}

void SignalNetworkMonitor::watchMetered(QObject* context, std::function<void()> changed) {
    QObject::connect(&m_reports, &NetworkReports::meteredReported, context,
                     [changed = std::move(changed)](bool) { changed(); });
}

void SignalNetworkMonitor::setMetered(bool metered) {
    m_metered = metered;
    emit m_reports.meteredReported(metered);
}

} // namespace ParcelKit::Testing
