#pragma once

#include "Cancelled.h"
#include "Continuation.h"

#include <QCoroTask>

#include <memory>
#include <optional>
#include <stop_token>

namespace ParcelKit {

// Child tasks that run concurrently on the group's thread. The first child failure cancels the
// others; wait() ends when no child is left and rethrows that failure, or throws Cancelled when
// the parent token stopped. Children are started and awaited on the thread that owns the group.
class TaskGroup {
public:
    explicit TaskGroup(std::stop_token parent = {});
    TaskGroup(const TaskGroup&) = delete;
    TaskGroup& operator=(const TaskGroup&) = delete;
    // Cancels children still running; their frames end on their own.
    ~TaskGroup();

    // `body` takes the group's std::stop_token and returns QCoro::Task<void>.
    template <typename Body> void spawn(Body body) {
        ++m_state->running;
        runChild(m_state, std::move(body));
    }

    void cancelAll() { m_state->source.request_stop(); }
    std::stop_token token() const { return m_state->source.get_token(); }
    bool isEmpty() const { return m_state->running == 0; }

    QCoro::Task<void> wait();

private:
    struct State {
        std::stop_source source;
        std::stop_token parent;
        int running = 0;
        std::exception_ptr firstError;
        Continuation<> waiter;
    };

    template <typename Body>
    static QCoro::Task<void> runChild(std::shared_ptr<State> state, Body body) {
        std::exception_ptr error;
        try {
            co_await body(state->source.get_token());
        } catch (const Cancelled&) {
            if (!state->source.stop_requested())
                error = std::current_exception();
        } catch (...) {
            error = std::current_exception();
        }
        childEnded(*state, error);
    }

    static void childEnded(State& state, std::exception_ptr error);

    std::shared_ptr<State> m_state;
    std::optional<std::stop_callback<std::function<void()>>> m_parentLink;
};

} // namespace ParcelKit
