#pragma once

#include "ParcelKitError.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>

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

namespace detail {
template <typename T> struct AwaitState {
    bool done = false;
    std::exception_ptr error;
    std::optional<std::conditional_t<std::is_void_v<T>, std::monostate, T>> value;
};

template <typename T>
QCoro::Task<void> drive(QCoro::Task<T> task, std::shared_ptr<AwaitState<T>> state) {
    try {
        if constexpr (std::is_void_v<T>) {
            co_await task;
            state->value.emplace();
        } else {
            state->value.emplace(co_await task);
        }
    } catch (...) {
        state->error = std::current_exception();
    }
    state->done = true;
}
} // namespace detail

// Awaits a task from synchronous test code, rethrowing its failure (QCoro::waitFor swallows
// exceptions and never returns on them). Throws TimedOut after `limit`.
template <typename T>
T await(QCoro::Task<T> task, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    auto state = std::make_shared<detail::AwaitState<T>>();
    detail::drive(std::move(task), state);
    if (!spinUntil([&] { return state->done; }, limit))
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
