#pragma once

#include "NetworkReports.h"

#include <QDBusConnection>

namespace ParcelKit {

// Reachability and metering from QNetworkInformation and wake-ups from logind. Lives on the thread
// that creates it (QNetworkInformation reports on the main thread). Without a reachability backend
// it reports nothing, so the monitor keeps assuming connectivity; without a system bus it hears of
// no wake-ups. Neither case is worth a message.
class SystemNetworkReports : public NetworkReports {
    Q_OBJECT

public:
    explicit SystemNetworkReports(QDBusConnection systemBus = QDBusConnection::systemBus(),
                                  QObject* parent = nullptr);

    void start() override;

private slots:
    void prepareForSleep(bool goingToSleep);

private:
    void watchReachability();
    void watchWakeUps();

    QDBusConnection m_systemBus;
};

} // namespace ParcelKit
