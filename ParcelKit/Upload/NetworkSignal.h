#pragma once

#include "Continuation.h"
#include "Locked.h"

#include <QCoroTask>
#include <QHash>
#include <QUuid>

#include <chrono>
#include <stop_token>

namespace ParcelKit {

// The online state and the tasks waiting on it. Any thread may report or wait; every waiter is
// resumed exactly once, after the lock is left, on its own thread.
class NetworkSignal {
public:
    NetworkSignal() = default;
    NetworkSignal(const NetworkSignal&) = delete;
    NetworkSignal& operator=(const NetworkSignal&) = delete;

    bool isOnline() const;
    // Going online wakes the online waiters; going offline from online wakes the change waiters.
    // Offline after offline wakes no one.
    void setOnline(bool online);
    // Wakes every change waiter.
    void pulse();

    // With `change` false waits until online; with `change` true waits for the next drop from
    // online to offline or the next pulse. A stopped token ends the wait; it never throws.
    QCoro::Task<void> wait(bool change, std::stop_token token);
    // Waits for a change for at most `upTo` on the monotonic clock, then throws Cancelled if the
    // token stopped.
    QCoro::Task<void> waitForChange(std::chrono::milliseconds upTo, std::stop_token token);

    qsizetype onlineWaiterCount() const;
    qsizetype changeWaiterCount() const;

private:
    using Waiters = QHash<QUuid, Continuation<>>;

    struct State {
        bool isOnline = true;
        Waiters onlineWaiters;
        Waiters changeWaiters;
    };

    static Waiters& waitersFor(State& state, bool change) {
        return change ? state.changeWaiters : state.onlineWaiters;
    }
    static void resumeAll(const Waiters& waiters);

    Locked<State> m_state;
};

} // namespace ParcelKit
