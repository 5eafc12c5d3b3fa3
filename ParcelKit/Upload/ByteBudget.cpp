#include "ByteBudget.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace ParcelKit {

// A budget of nothing could never grant a request, so the smallest capacity is one byte.
ByteBudget::ByteBudget(qint64 capacity) : m_capacity(std::max<qint64>(capacity, 1)) {}

QCoro::Task<qint64> ByteBudget::acquire(qint64 bytes, std::stop_token token) {
    const qint64 clamped = std::clamp<qint64>(bytes, 0, m_capacity);
    const QUuid id = QUuid::createUuid();
    auto registration = [this, id, clamped, token](Continuation<> continuation) {
        enqueue(id, clamped, token, std::move(continuation));
    };
    auto onCancel = [this, id] { withdraw(id); };
    co_await suspend<void>(token, std::move(registration), std::move(onCancel));
    const bool granted = m_state.withLock([&](State& state) { return state.granted.remove(id); });
    if (!granted)
        throw Cancelled{};
    co_return clamped;
}

void ByteBudget::enqueue(const QUuid& id, qint64 bytes, const std::stop_token& token,
                         Continuation<> continuation) {
    const bool waiting = m_state.withLock([&](State& state) {
        if (state.waiters.empty() && state.inUse + bytes <= m_capacity) {
            state.inUse += bytes;
            state.granted.insert(id);
            return false;
        }
        if (token.stop_requested())
            return false;
        state.waiters.push_back(Waiter{id, bytes, continuation});
        return true;
    });
    if (!waiting)
        continuation.resume();
}

void ByteBudget::withdraw(const QUuid& id) {
    auto removed = m_state.withLock([&](State& state) -> std::optional<Waiter> {
        auto it = std::find_if(state.waiters.begin(), state.waiters.end(),
                               [&](const Waiter& waiter) { return waiter.id == id; });
        if (it == state.waiters.end())
            return std::nullopt;
        Waiter waiter = std::move(*it);
        state.waiters.erase(it);
        return waiter;
    });
    if (removed)
        removed->continuation.resume();
}

void ByteBudget::release(qint64 bytes) {
    std::vector<Continuation<>> woken;
    m_state.withLock([&](State& state) {
        state.inUse -= bytes;
        while (!state.waiters.empty()) {
            Waiter& head = state.waiters.front();
            if (state.inUse + head.bytes > m_capacity)
                break;
            state.inUse += head.bytes;
            state.granted.insert(head.id);
            woken.push_back(std::move(head.continuation));
            state.waiters.pop_front();
        }
    });
    for (const auto& continuation : woken)
        continuation.resume();
}

qint64 ByteBudget::inUse() const {
    return m_state.withLock([](const State& state) { return state.inUse; });
}

qsizetype ByteBudget::waiterCount() const {
    return m_state.withLock([](const State& state) { return qsizetype(state.waiters.size()); });
}

} // namespace ParcelKit
