#include "MainThread.h"

#include <QCoreApplication>
#include <QThread>

namespace ParcelKit {

bool MainThread::isCurrent() {
    const QCoreApplication* application = QCoreApplication::instance();
    // Without an application there is no event loop to hop to; the caller's thread must do.
    return !application || QThread::currentThread() == application->thread();
}

void MainThread::post(std::function<void()> job) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(job), Qt::QueuedConnection);
}

} // namespace ParcelKit
