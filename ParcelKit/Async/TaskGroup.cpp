#include "TaskGroup.h"

namespace ParcelKit {

TaskGroup::TaskGroup(std::stop_token parent) : m_state(std::make_shared<State>()) {
    m_state->parent = parent;
    std::weak_ptr<State> weak = m_state;
    m_parentLink.emplace(parent, std::function<void()>([weak] {
                             if (auto state = weak.lock())
                                 state->source.request_stop();
                         }));
}

TaskGroup::~TaskGroup() {
    m_parentLink.reset();
    m_state->source.request_stop();
}

void TaskGroup::childEnded(State& state, std::exception_ptr error) {
    if (error && !state.firstError) {
        state.firstError = error;
        state.source.request_stop();
    }
    if (--state.running == 0 && state.waiter.isValid())
        state.waiter.resume();
}

QCoro::Task<void> TaskGroup::wait() {
    auto state = m_state;
    if (state->running > 0) {
        auto registration = [state](Continuation<> continuation) {
            state->waiter = std::move(continuation);
        };
        co_await suspend<void>(std::stop_token{}, std::move(registration));
        state->waiter = {};
    }
    if (state->firstError)
        std::rethrow_exception(state->firstError);
    if (state->parent.stop_requested())
        throw Cancelled{};
}

} // namespace ParcelKit
