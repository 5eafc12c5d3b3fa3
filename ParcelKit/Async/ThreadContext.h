#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

namespace ParcelKit {

// A per-thread object that wakers on other threads post resumptions to, so that a coroutine
// always resumes on the thread that suspended it, from that thread's event loop.
class ThreadContext {
public:
    // The context of the calling thread; created on first use and owned by that thread.
    static QObject* current();

    // Queues `work` on the event loop of the thread that owns `context`. Returns false when that
    // thread's context is gone (its thread ended), in which case nothing runs.
    static bool post(const QPointer<QObject>& context, std::function<void()> work);
};

} // namespace ParcelKit
