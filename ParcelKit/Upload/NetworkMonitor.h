#pragma once

#include <QCoroTask>

#include <chrono>
#include <functional>
#include <stop_token>

class QObject;

namespace ParcelKit {

// What the upload engine knows of connectivity. One monitor is shared by the queue and all
// workers, so every member is safe to call from any thread.
class NetworkMonitor {
public:
    virtual ~NetworkMonitor() = default;

    virtual bool isOnline() const = 0;
    // Returns at once when online, otherwise when the state next becomes online or the token
    // stops. Never throws: callers check cancellation themselves.
    virtual QCoro::Task<void> waitUntilOnline(std::stop_token token) = 0;
    // Returns after `upTo` or as soon as the network changes or is nudged, whichever is first;
    // then throws Cancelled if the token stopped.
    virtual QCoro::Task<void> waitForChange(std::chrono::milliseconds upTo,
                                            std::stop_token token) = 0;
    // Wakes every task waiting for a change, as if the network had changed.
    virtual void nudge() = 0;

    // Whether the connection is charged by the amount of data (a phone's hotspot, say); false
    // when nothing says so.
    virtual bool isMetered() const { return false; }
    // Calls `changed` on `context`'s thread after every report of isMetered, until `context` is
    // destroyed.
    virtual void watchMetered(QObject* context, std::function<void()> changed) {
        Q_UNUSED(context);
        Q_UNUSED(changed);
    }
};

} // namespace ParcelKit
