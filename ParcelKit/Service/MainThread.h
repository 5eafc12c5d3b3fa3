#pragma once

#include "Cancelled.h"
#include "Continuation.h"

#include <QCoroTask>

#include <functional>
#include <memory>
#include <stop_token>
#include <type_traits>

namespace ParcelKit {

// Runs work that is bound to the main thread (the sign-in session) for a caller on any thread.
class MainThread {
public:
    static bool isCurrent();

    // Starts `work` on the main thread's event loop and awaits its result; on the main thread
    // itself it simply runs. Off the main thread, a stop of `token` ends the wait at once with
    // Cancelled and reaches the work through a token of its own, stopped on the main thread, so
    // the work never sees a stop from a foreign thread.
    template <typename T>
    static QCoro::Task<T> run(std::function<QCoro::Task<T>(std::stop_token)> work,
                              std::stop_token token) {
        if (isCurrent())
            co_return co_await work(std::move(token));

        auto workStop = std::make_shared<std::stop_source>();
        auto held = std::make_shared<Continuation<T>>();
        auto registration = [work = std::move(work), workStop, held](Continuation<T> continuation) {
            *held = continuation;
            post([work, workStop, continuation] {
                drive<T>(work(workStop->get_token()), continuation);
            });
        };
        auto onCancel = [workStop, held] {
            held->fail(Cancelled{});
            post([workStop] { workStop->request_stop(); });
        };
        co_return co_await suspend<T>(std::move(token), std::move(registration),
                                      std::move(onCancel));
    }

private:
    // Queues `job` on the main thread's event loop.
    static void post(std::function<void()> job);

    template <typename T>
    static QCoro::Task<void> drive(QCoro::Task<T> task, Continuation<T> continuation) {
        try {
            if constexpr (std::is_void_v<T>) {
                co_await std::move(task);
                continuation.resume();
            } else {
                continuation.resume(co_await std::move(task));
            }
        } catch (...) {
            continuation.fail(std::current_exception());
        }
    }
};

} // namespace ParcelKit
