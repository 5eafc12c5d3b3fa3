#pragma once

#include "Continuation.h"
#include "Locked.h"

#include <QCoroTask>

#include <memory>
#include <optional>
#include <stop_token>
#include <type_traits>
#include <variant>
#include <vector>

namespace ParcelKit {

// A started task together with the stop source that cancels it. The body starts at once on the
// calling thread and gets the stop token; dropping the handle neither cancels nor leaks the task.
template <typename T = void> class TaskHandle {
    using Stored = std::conditional_t<std::is_void_v<T>, std::monostate, T>;

    struct State {
        std::stop_source stopSource;
        struct Outcome {
            bool finished = false;
            std::optional<Stored> value;
            std::exception_ptr error;
            std::vector<Continuation<>> waiters;
        };
        Locked<Outcome> outcome;
    };

public:
    TaskHandle() = default;

    // `body` is a callable taking a std::stop_token and returning QCoro::Task<T>.
    template <typename Body> static TaskHandle start(Body body) {
        TaskHandle handle;
        handle.m_state = std::make_shared<State>();
        run(handle.m_state, std::move(body));
        return handle;
    }

    bool isValid() const { return m_state != nullptr; }
    void cancel() const {
        if (m_state)
            m_state->stopSource.request_stop();
    }
    bool isCancelled() const { return m_state && m_state->stopSource.stop_requested(); }
    bool isFinished() const {
        return m_state && m_state->outcome.withLock([](auto& o) { return o.finished; });
    }
    std::stop_token token() const { return m_state->stopSource.get_token(); }

    // Waits for the task to end and hands back its value or rethrows its failure. Any number of
    // callers may wait, on any thread with an event loop.
    QCoro::Task<T> result() const {
        auto state = m_state;
        const bool finished = state->outcome.withLock([](auto& o) { return o.finished; });
        if (!finished) {
            auto registration = [state](Continuation<> continuation) {
                const bool done = state->outcome.withLock([&](auto& o) {
                    if (!o.finished)
                        o.waiters.push_back(continuation);
                    return o.finished;
                });
                if (done)
                    continuation.resume();
            };
            co_await suspend<void>(std::stop_token{}, std::move(registration));
        }
        auto [value, error] = state->outcome.withLock([](auto& o) {
            return std::pair<std::optional<Stored>, std::exception_ptr>(o.value, o.error);
        });
        if (error)
            std::rethrow_exception(error);
        if constexpr (!std::is_void_v<T>)
            co_return std::move(*value);
    }

private:
    template <typename Body> static QCoro::Task<void> run(std::shared_ptr<State> state, Body body) {
        std::optional<Stored> value;
        std::exception_ptr error;
        try {
            if constexpr (std::is_void_v<T>) {
                co_await body(state->stopSource.get_token());
                value.emplace();
            } else {
                value.emplace(co_await body(state->stopSource.get_token()));
            }
        } catch (...) {
            error = std::current_exception();
        }
        auto waiters = state->outcome.withLock([&](auto& o) {
            o.finished = true;
            o.value = std::move(value);
            o.error = error;
            return std::move(o.waiters);
        });
        for (const auto& waiter : waiters)
            waiter.resume();
    }

    std::shared_ptr<State> m_state;
};

} // namespace ParcelKit
