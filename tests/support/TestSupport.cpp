#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace ParcelKit::Testing {

bool spinUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    QDeadlineTimer deadline(limit);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

} // namespace ParcelKit::Testing
