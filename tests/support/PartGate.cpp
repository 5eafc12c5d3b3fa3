#include "PartGate.h"

#include "TestHTTPServer.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace ParcelKit::Testing {

struct PartGate::State {
    std::mutex mutex;
    std::condition_variable opened;
    bool closed = false;
    int held = 0;

    void pass() {
        std::unique_lock lock(mutex);
        if (!closed)
            return;
        ++held;
        opened.wait_for(lock, std::chrono::seconds(30), [this] { return !closed; });
        --held;
    }
};

PartGate::PartGate(TestHTTPServer& server) : m_server(server), m_state(std::make_shared<State>()) {
    m_server.setAnswerHold([state = m_state](const RecordedRequest& request) {
        if (request.method == "PUT" && request.query().hasQueryItem(QStringLiteral("partNumber")))
            state->pass();
    });
}

PartGate::~PartGate() {
    open();
    m_server.setAnswerHold({});
}

void PartGate::close() {
    std::lock_guard lock(m_state->mutex);
    m_state->closed = true;
}

void PartGate::open() {
    {
        std::lock_guard lock(m_state->mutex);
        m_state->closed = false;
    }
    m_state->opened.notify_all();
}

int PartGate::held() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->held;
}

} // namespace ParcelKit::Testing
