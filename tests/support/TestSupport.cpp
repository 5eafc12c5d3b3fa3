#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTimer>

namespace ParcelKit::Testing {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool spinUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    QDeadlineTimer deadline(limit);
    // Wakes the blocking wait below now and then, so the condition and the deadline are checked
    // without spinning a core.
    QTimer tick;
    tick.start(10);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace ParcelKit::Testing
