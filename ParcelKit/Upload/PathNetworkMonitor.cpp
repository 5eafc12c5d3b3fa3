#include "PathNetworkMonitor.h"

#include "SystemNetworkReports.h"

namespace ParcelKit {

PathNetworkMonitor::PathNetworkMonitor()
    : PathNetworkMonitor(std::make_unique<SystemNetworkReports>()) {}

PathNetworkMonitor::PathNetworkMonitor(std::unique_ptr<NetworkReports> reports)
    : m_reports(std::move(reports)) {
    // Every report wakes the change waiters, even when the state did not change, so that waiting
    // retries look at the network again.
    QObject::connect(m_reports.get(), &NetworkReports::reachabilityReported, m_reports.get(),
                     [signal = m_signal](bool online) {
                         signal->setOnline(online);
                         signal->pulse();
                     });
    QObject::connect(m_reports.get(), &NetworkReports::wokeFromSleep, m_reports.get(),
                     [signal = m_signal] { signal->pulse(); });
    // Connected before any watcher, so that watchers read the new value.
    QObject::connect(m_reports.get(), &NetworkReports::meteredReported, m_reports.get(),
                     [this](bool metered) { m_metered = metered; });
    m_reports->start();
}

PathNetworkMonitor::~PathNetworkMonitor() = default;

bool PathNetworkMonitor::isOnline() const {
    return m_signal->isOnline();
}

QCoro::Task<void> PathNetworkMonitor::waitUntilOnline(std::stop_token token) {
    auto signal = m_signal;
    co_await signal->wait(false, std::move(token));
}

QCoro::Task<void> PathNetworkMonitor::waitForChange(std::chrono::milliseconds upTo,
                                                    std::stop_token token) {
    auto signal = m_signal;
    co_await signal->waitForChange(upTo, std::move(token));
}

void PathNetworkMonitor::nudge() {
    m_signal->pulse();
}

void PathNetworkMonitor::watchMetered(QObject* context, std::function<void()> changed) {
    QObject::connect(m_reports.get(), &NetworkReports::meteredReported, context,
                     [changed = std::move(changed)](bool) { changed(); });
}

} // namespace ParcelKit
