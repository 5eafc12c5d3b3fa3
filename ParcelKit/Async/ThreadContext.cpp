#include "ThreadContext.h"

#include <QMetaObject>

#include <memory>

namespace ParcelKit {

QObject* ThreadContext::current() {
    thread_local std::unique_ptr<QObject> context = std::make_unique<QObject>();
    return context.get();
}

bool ThreadContext::post(const QPointer<QObject>& context, std::function<void()> work) {
    QObject* target = context.data();
    if (!target)
        return false;
    return QMetaObject::invokeMethod(target, std::move(work), Qt::QueuedConnection);
}

} // namespace ParcelKit
