#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace httplib {
struct Request;
class ContentReader;
} // namespace httplib

namespace devservice {

// Reads a request body in pieces into a sink, never holding it whole. Bodies with a
// Content-Length are read straight from the socket with large reads after the HTTP library
// has handed over what it had buffered, since its own loop reads 4 KiB at a time.
class RequestBody {
public:
    enum class Outcome {
        Complete,
        Stopped,     // the caller's byte limit was reached; the rest was left unread
        ClientGone,  // the client stopped sending or closed the connection
        SinkRefused, // the sink returned false (disk full, too large)
    };
    using Sink = std::function<bool(std::string_view)>;
    // Hears of every piece as it is read, so that counts move while a long body arrives.
    using Arrival = std::function<void(std::int64_t bytes)>;

    static constexpr int idleTimeoutSeconds = 30;

    RequestBody(const httplib::Request& request, const httplib::ContentReader& reader,
                Arrival arrival = {});

    // With stopAfter, reading ends once that many bytes have arrived; the connection is then
    // out of step and must be closed.
    Outcome read(const Sink& sink, std::optional<std::int64_t> stopAfter = std::nullopt);
    // Reads and discards the rest of the body so the connection stays usable.
    Outcome discard();
    std::int64_t bytesRead() const { return m_bytesRead; }

private:
    Outcome readDirect(int fd, std::int64_t remaining, const Sink& sink);
    void count(std::size_t bytes);
    bool deliver(std::string_view chunk, const Sink& sink, Outcome& outcome);
    void answerExpectContinue();

    const httplib::Request& m_request;
    const httplib::ContentReader& m_reader;
    Arrival m_arrival;
    std::int64_t m_bytesRead = 0;
    std::optional<std::int64_t> m_stopAfter;
    int m_fd = -1;
    bool m_continueAnswered = false;
};

} // namespace devservice
