#pragma once

#include <QList>

#include <memory>

namespace ParcelKit::Testing {

class TestHTTPServer;

// Holds back the storage's answers to part uploads while closed: the part is stored, its answer
// waits (on the server's connection thread, outside its handler) until the gate opens, so a test
// can act while an upload is certainly in the middle of a part. Every hold is bounded.
class PartGate {
public:
    explicit PartGate(TestHTTPServer& server);
    // Opens the gate and detaches it from the server.
    ~PartGate();
    PartGate(const PartGate&) = delete;
    PartGate& operator=(const PartGate&) = delete;

    void close();
    void open();
    // Answers held back right now.
    int held() const;

private:
    struct State;

    TestHTTPServer& m_server;
    // Shared with the server's threads, which may still be leaving a hold.
    std::shared_ptr<State> m_state;
};

} // namespace ParcelKit::Testing
