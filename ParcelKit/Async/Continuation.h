#pragma once

#include "Cancelled.h"
#include "ThreadContext.h"

#include <atomic>
#include <coroutine>
#include <exception>
#include <memory>
#include <optional>
#include <stop_token>
#include <type_traits>

#include <QCoroTask>

namespace ParcelKit {

namespace detail {

template <typename T> struct ContinuationState {
    std::coroutine_handle<> handle;
    QPointer<QObject> context;
    std::atomic<bool> claimed{false};
    std::conditional_t<std::is_void_v<T>, bool, std::optional<T>> value{};
    std::exception_ptr error;
};

} // namespace detail

// A one-shot handle to a suspended coroutine. Any thread may resume it; only the first resume
// or fail counts (the rest return false), and the coroutine itself continues later on its own
// thread's event loop, never inside the caller (so it is safe to resume while holding a lock).
template <typename T = void> class Continuation {
public:
    Continuation() = default;
    explicit Continuation(std::shared_ptr<detail::ContinuationState<T>> state)
        : m_state(std::move(state)) {}

    template <typename U = T>
    requires(!std::is_void_v<U>) bool resume(U value) const {
        if (!claim())
            return false;
        m_state->value.emplace(std::move(value));
        schedule();
        return true;
    }

    bool resume() const requires std::is_void_v<T> {
        if (!claim())
            return false;
        m_state->value = true;
        schedule();
        return true;
    }

    bool fail(std::exception_ptr error) const {
        if (!claim())
            return false;
        m_state->error = std::move(error);
        schedule();
        return true;
    }

    template <typename E> bool fail(E error) const {
        return fail(std::make_exception_ptr(std::move(error)));
    }

    bool isValid() const { return m_state != nullptr; }
    bool isResumed() const { return m_state && m_state->claimed.load(); }

private:
    bool claim() const { return m_state && !m_state->claimed.exchange(true); }
    void schedule() const {
        auto state = m_state;
        ThreadContext::post(state->context, [state] { state->handle.resume(); });
    }

    std::shared_ptr<detail::ContinuationState<T>> m_state;
};

// Awaitable that suspends the current coroutine and hands a Continuation to `registration`.
// When `token` is stopped, `onCancel` runs (on the stopping thread, or at once if the token is
// already stopped); it must fail the continuation with Cancelled if it still holds it.
template <typename T, typename Registration, typename OnCancel> class SuspendAwaiter {
public:
    SuspendAwaiter(std::stop_token token, Registration registration, OnCancel onCancel)
        : m_token(std::move(token)), m_registration(std::move(registration)),
          m_onCancel(std::move(onCancel)) {}

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> handle) {
        m_state = std::make_shared<detail::ContinuationState<T>>();
        m_state->handle = handle;
        m_state->context = ThreadContext::current();
        m_registration(Continuation<T>(m_state));
        m_stopCallback =
            std::make_unique<std::stop_callback<OnCancel>>(m_token, std::move(m_onCancel));
    }

    T await_resume() {
        m_stopCallback.reset();
        if (m_state->error)
            std::rethrow_exception(m_state->error);
        if constexpr (!std::is_void_v<T>)
            return std::move(*m_state->value);
    }

private:
    std::stop_token m_token;
    Registration m_registration;
    OnCancel m_onCancel;
    std::shared_ptr<detail::ContinuationState<T>> m_state;
    std::unique_ptr<std::stop_callback<OnCancel>> m_stopCallback;
};

// Suspends until the continuation given to `registration` is resumed, or until `token` stops, in
// which case `onCancel` runs and must fail the continuation with Cancelled when it still owns it.
// g++ 12 destroys a lambda temporary twice when it is written inside a co_await operand, so
// callers bind the lambdas to named locals and pass them with std::move (a check in the test
// suite finds lambdas inside co_await expressions).
template <typename T, typename Registration, typename OnCancel>
QCoro::Task<T> suspend(std::stop_token token, Registration registration, OnCancel onCancel) {
    SuspendAwaiter<T, Registration, OnCancel> awaiter(std::move(token), std::move(registration),
                                                      std::move(onCancel));
    co_return co_await std::move(awaiter);
}

// Suspends until resumed; a stop fails the continuation with Cancelled directly (for waits that
// keep no registry that would have to forget the waiter).
template <typename T, typename Registration>
QCoro::Task<T> suspend(std::stop_token token, Registration registration) {
    auto shared = std::make_shared<Continuation<T>>();
    auto registering = [shared, registration =
                                    std::move(registration)](Continuation<T> continuation) mutable {
        *shared = continuation;
        registration(std::move(continuation));
    };
    auto cancelling = [shared] { shared->fail(Cancelled{}); };
    SuspendAwaiter<T, decltype(registering), decltype(cancelling)> awaiter(
        std::move(token), std::move(registering), std::move(cancelling));
    co_return co_await std::move(awaiter);
}

} // namespace ParcelKit
