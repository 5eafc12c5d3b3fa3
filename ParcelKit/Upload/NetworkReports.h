#pragma once

#include <QObject>

namespace ParcelKit {

// Where a monitor hears of connectivity and of wake-ups. This base reports nothing on its own;
// tests emit its signals to play the platform.
class NetworkReports : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Starts reporting once the monitor listens; may report the current state at once.
    virtual void start() {}

signals:
    void reachabilityReported(bool online);
    void meteredReported(bool metered);
    void wokeFromSleep();
};

} // namespace ParcelKit
