#pragma once

#include "ParcelKitError.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>
#include <QThread>

#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <variant>

namespace ParcelKit::Testing {

// Runs the event loop until `condition` holds or `limit` passed; every wait in a test is bounded.
bool spinUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(10));

// The whole file, or nothing when it cannot be read.
QByteArray fileBytes(const QString& path);

struct TimedOut : std::runtime_error {
    TimedOut() : std::runtime_error("the awaited task did not end in time") {}
};

// What a task started with `begin` ended with, once `done`.
template <typename T> struct Outcome {
    std::atomic<bool> done{false};
    // The thread the task ended on.
    QThread* endedOn = nullptr;
    std::exception_ptr error;
    std::optional<std::conditional_t<std::is_void_v<T>, std::monostate, T>> value;

    // The error it ended with as an E, if it was one.
    template <typename E> std::optional<E> failure() const {
        try {
            if (error)
                std::rethrow_exception(error);
        } catch (const E& failure) {
            return failure;
        } catch (...) {
        }
        return std::nullopt;
    }
};

namespace detail {
template <typename T>
QCoro::Task<void> drive(QCoro::Task<T> task, std::shared_ptr<Outcome<T>> outcome) {
    try {
        if constexpr (std::is_void_v<T>) {
            co_await task;
            outcome->value.emplace();
        } else {
            outcome->value.emplace(co_await task);
        }
    } catch (...) {
        outcome->error = std::current_exception();
    }
    outcome->endedOn = QThread::currentThread();
    outcome->done = true;
}
} // namespace detail

// Starts a task and lets the test look at its outcome later.
template <typename T> std::shared_ptr<Outcome<T>> begin(QCoro::Task<T> task) {
    auto outcome = std::make_shared<Outcome<T>>();
    detail::drive(std::move(task), outcome);
    return outcome;
}

// A thread with an event loop of its own, to start tasks on and see where they resume.
class WorkerThread {
public:
    WorkerThread() {
        m_context.moveToThread(&m_thread);
        m_thread.start();
    }
    ~WorkerThread() {
        m_thread.quit();
        m_thread.wait();
    }
    QThread* thread() { return &m_thread; }

    // Starts the task `make` returns on this thread.
    template <typename F> auto begin(F make) {
        using Task = std::invoke_result_t<F>;
        auto outcome = std::make_shared<Outcome<typename Task::value_type>>();
        QMetaObject::invokeMethod(
            &m_context, [make = std::move(make), outcome] { detail::drive(make(), outcome); });
        return outcome;
    }

private:
    QThread m_thread;
    QObject m_context;
};

// Awaits a task from synchronous test code, rethrowing its failure (QCoro::waitFor swallows
// exceptions and never returns on them). Throws TimedOut after `limit`.
template <typename T>
T await(QCoro::Task<T> task, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto state = begin(std::move(task));
    if (!spinUntil([&] { return state->done.load(); }, limit))
        throw TimedOut{};
    if (state->error)
        std::rethrow_exception(state->error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*state->value);
}

// The engine error a task ends with, or none when it succeeds; other failures propagate.
template <typename T> std::optional<ParcelKitError> failureOf(QCoro::Task<T> task) {
    try {
        await(std::move(task));
    } catch (const ParcelKitError& error) {
        return error;
    }
    return std::nullopt;
}

} // namespace ParcelKit::Testing
