#include "UploadWaiters.h"

#include "Cancelled.h"

namespace ParcelKit {

void UploadWaiters::add(const QUuid& waiter, QList<QUuid> ids,
                        Continuation<QStringList> continuation) {
    m_waiters.insert(waiter, {std::move(ids), std::move(continuation)});
}

void UploadWaiters::cancel(const QUuid& waiter) {
    if (auto found = m_waiters.find(waiter); found != m_waiters.end()) {
        const auto continuation = found->continuation;
        m_waiters.erase(found);
        continuation.fail(Cancelled{});
    }
}

void UploadWaiters::cancelAll() {
    const auto waiters = std::exchange(m_waiters, {});
    for (const auto& waiter : waiters)
        waiter.continuation.fail(Cancelled{});
}

void UploadWaiters::resolve(const Evaluate& evaluate) {
    QList<std::pair<Continuation<QStringList>, Answer>> answered;
    for (auto it = m_waiters.begin(); it != m_waiters.end();) {
        // A waiter whose caller was cancelled meanwhile is dropped; its removal is on its way.
        if (it->continuation.isResumed()) {
            it = m_waiters.erase(it);
            continue;
        }
        if (auto answer = evaluate(it->ids)) {
            answered.append({it->continuation, std::move(*answer)});
            it = m_waiters.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& [continuation, answer] : answered)
        deliver(continuation, std::move(answer));
}

void UploadWaiters::deliver(const Continuation<QStringList>& continuation, Answer answer) {
    if (auto* ids = std::get_if<QStringList>(&answer))
        continuation.resume(std::move(*ids));
    else
        continuation.fail(std::get<std::exception_ptr>(answer));
}

} // namespace ParcelKit
