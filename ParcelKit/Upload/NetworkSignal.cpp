#include "NetworkSignal.h"

#include "Sleep.h"
#include "TaskGroup.h"

#include <utility>

namespace ParcelKit {

bool NetworkSignal::isOnline() const {
    return m_state.withLock([](const State& state) { return state.isOnline; });
}

void NetworkSignal::setOnline(bool online) {
    const Waiters woken = m_state.withLock([&](State& state) {
        const bool wasOnline = std::exchange(state.isOnline, online);
        if (online)
            return std::exchange(state.onlineWaiters, {});
        if (wasOnline)
            return std::exchange(state.changeWaiters, {});
        return Waiters{};
    });
    resumeAll(woken);
}

void NetworkSignal::pulse() {
    resumeAll(
        m_state.withLock([](State& state) { return std::exchange(state.changeWaiters, {}); }));
}

void NetworkSignal::resumeAll(const Waiters& waiters) {
    for (const auto& continuation : waiters)
        continuation.resume();
}

QCoro::Task<void> NetworkSignal::wait(bool change, std::stop_token token) {
    const QUuid id = QUuid::createUuid();
    auto registration = [this, id, change, token](Continuation<> continuation) {
        const bool stored = m_state.withLock([&](State& state) {
            if (token.stop_requested() || (!change && state.isOnline))
                return false;
            waitersFor(state, change).insert(id, continuation);
            return true;
        });
        if (!stored)
            continuation.resume();
    };
    auto onCancel = [this, id, change] {
        const Continuation<> removed =
            m_state.withLock([&](State& state) { return waitersFor(state, change).take(id); });
        // A waiter that was woken already is gone from the map and is left alone.
        if (removed.isValid())
            removed.resume();
    };
    co_await suspend<void>(token, std::move(registration), std::move(onCancel));
}

QCoro::Task<void> NetworkSignal::waitForChange(std::chrono::milliseconds upTo,
                                               std::stop_token token) {
    // Whichever child ends first cancels the other; a cancelled sleep just ends its child.
    TaskGroup group(token);
    group.spawn([&group, upTo](std::stop_token child) -> QCoro::Task<void> {
        co_await sleepFor(upTo, child);
        group.cancelAll();
    });
    group.spawn([this, &group](std::stop_token child) -> QCoro::Task<void> {
        co_await wait(true, child);
        group.cancelAll();
    });
    co_await group.wait();
}

qsizetype NetworkSignal::onlineWaiterCount() const {
    return m_state.withLock([](const State& state) { return state.onlineWaiters.size(); });
}

qsizetype NetworkSignal::changeWaiterCount() const {
    return m_state.withLock([](const State& state) { return state.changeWaiters.size(); });
}

} // namespace ParcelKit
