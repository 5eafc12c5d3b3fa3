// Waiting for uploads: the send flow waits until a set of items has finished, for their service
// upload ids. Waiters are answered after every change of the list.
#include "UploadQueue.h"

#include "Async.h"

namespace ParcelKit {

std::optional<UploadWaiters::Answer> UploadQueue::evaluate(const QList<QUuid>& ids) const {
    auto find = [this](const QUuid& id) {
        const qsizetype index = indexOf(id);
        return index < 0 ? nullptr : &m_items[index];
    };
    return UploadWaiters::evaluate(ids, find, m_errors);
}

QCoro::Task<QStringList> UploadQueue::uploadIDs(QList<QUuid> ids, std::stop_token token) {
    if (auto answer = evaluate(ids)) {
        if (auto* error = std::get_if<std::exception_ptr>(&*answer))
            std::rethrow_exception(*error);
        co_return std::get<QStringList>(std::move(*answer));
    }
    const QUuid waiterID = QUuid::createUuid();
    const QPointer<UploadQueue> self(this);
    const QPointer<QObject> home(ThreadContext::current());
    auto held = std::make_shared<Continuation<QStringList>>();
    auto registration = [self, waiterID, ids, held](Continuation<QStringList> continuation) {
        *held = continuation;
        if (!self) {
            continuation.fail(Cancelled{});
            return;
        }
        self->m_waiters.add(waiterID, ids, continuation);
        self->resolveWaiters();
    };
    // The stop may come from any thread: the caller ends at once, the queue forgets the waiter on
    // its own thread.
    auto onCancel = [self, home, waiterID, held] {
        held->fail(Cancelled{});
        ThreadContext::post(home, [self, waiterID] {
            if (self)
                self->m_waiters.cancel(waiterID);
        });
    };
    co_return co_await suspend<QStringList>(std::move(token), std::move(registration),
                                            std::move(onCancel));
}

void UploadQueue::resolveWaiters() {
    auto evaluation = [this](const QList<QUuid>& ids) { return evaluate(ids); };
    m_waiters.resolve(evaluation);
}

} // namespace ParcelKit
