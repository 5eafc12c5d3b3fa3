#include "SystemNetworkReports.h"

#include <QNetworkInformation>

namespace ParcelKit {

namespace {

const QString logindService = QStringLiteral("org.freedesktop.login1");
const QString logindPath = QStringLiteral("/org/freedesktop/login1");
const QString logindManager = QStringLiteral("org.freedesktop.login1.Manager");

// Offline only when there is no route beyond the local link. "Site" means a route exists but the
// connectivity probe failed (a captive portal, or a probe blocked by a firewall while a proxy
// works): calling that offline would hold every upload without ever trying. "Unknown" keeps the
// assumption of connectivity.
bool isReachable(QNetworkInformation::Reachability reachability) {
    using Reachability = QNetworkInformation::Reachability;
    return reachability != Reachability::Disconnected && reachability != Reachability::Local;
}

} // namespace

SystemNetworkReports::SystemNetworkReports(QDBusConnection systemBus, QObject* parent)
    : NetworkReports(parent), m_systemBus(std::move(systemBus)) {}

void SystemNetworkReports::start() {
    watchReachability();
    watchWakeUps();
}

void SystemNetworkReports::watchReachability() {
    if (!QNetworkInformation::loadDefaultBackend())
        return;
    auto* information = QNetworkInformation::instance();
    if (information->supports(QNetworkInformation::Feature::Metered)) {
        connect(information, &QNetworkInformation::isMeteredChanged, this,
                &NetworkReports::meteredReported);
        emit meteredReported(information->isMetered());
    }
    if (!information->supports(QNetworkInformation::Feature::Reachability))
        return;
    connect(information, &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability reachability) {
                emit reachabilityReported(isReachable(reachability));
            });
    emit reachabilityReported(isReachable(information->reachability()));
}

void SystemNetworkReports::watchWakeUps() {
    if (!m_systemBus.isConnected())
        return;
    m_systemBus.connect(logindService, logindPath, logindManager, QStringLiteral("PrepareForSleep"),
                        this, SLOT(prepareForSleep(bool)));
}

void SystemNetworkReports::prepareForSleep(bool goingToSleep) {
    if (!goingToSleep)
        emit wokeFromSleep();
}

} // namespace ParcelKit
