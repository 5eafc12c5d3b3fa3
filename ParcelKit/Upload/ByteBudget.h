#pragma once

#include "Continuation.h"
#include "Locked.h"

#include <QCoroTask>
#include <QSet>
#include <QUuid>

#include <deque>
#include <stop_token>

namespace ParcelKit {

// Bounds the bytes of part bodies held in memory across all uploads. Requests are served strictly
// in arrival order: a large request at the head holds back smaller ones behind it, so it cannot
// starve. Safe to share between threads; waiters resume on their own threads.
class ByteBudget {
public:
    explicit ByteBudget(qint64 capacity);
    ByteBudget(const ByteBudget&) = delete;
    ByteBudget& operator=(const ByteBudget&) = delete;

    qint64 capacity() const { return m_capacity; }

    // Waits until the request fits and returns the bytes granted: the request clamped to
    // 0...capacity, which the caller must release later. Throws Cancelled only when the token
    // stopped before the bytes were granted; a grant that races a cancellation is still returned.
    QCoro::Task<qint64> acquire(qint64 bytes, std::stop_token token);

    // Gives bytes back and wakes the waiters at the head that now fit. Never blocks on a waiter.
    void release(qint64 bytes);

    qint64 inUse() const;
    qsizetype waiterCount() const;

private:
    struct Waiter {
        QUuid id;
        qint64 bytes = 0;
        Continuation<> continuation;
    };

    struct State {
        qint64 inUse = 0;
        std::deque<Waiter> waiters;
        // Requests granted while their requester was suspended and not yet collected by it; a
        // cancellation that arrives in between finds its waiter gone and leaves the grant alone.
        QSet<QUuid> granted;
    };

    void enqueue(const QUuid& id, qint64 bytes, const std::stop_token& token,
                 Continuation<> continuation);
    void withdraw(const QUuid& id);

    const qint64 m_capacity;
    Locked<State> m_state;
};

} // namespace ParcelKit
