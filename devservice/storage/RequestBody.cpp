#include "RequestBody.h"

#include "ConnectionSocket.h"

#include <httplib.h>

#include <cerrno>
#include <charconv>
#include <poll.h>
#include <string_view>
#include <strings.h>
#include <sys/socket.h>
#include <vector>

namespace devservice {

namespace {

// The direct path relies on the library draining its 4 KiB stream buffer with the first piece
// it hands over, which holds for the 0.11 series this was written against.
constexpr bool directReadsSupported = std::string_view(CPPHTTPLIB_VERSION).starts_with("0.11.");

constexpr std::size_t directBufferSize = 1 << 20;

std::optional<std::int64_t> contentLength(const httplib::Request& request) {
    if (request.has_header("Transfer-Encoding") || !request.has_header("Content-Length"))
        return std::nullopt;
    const std::string text = request.get_header_value("Content-Length");
    std::int64_t length = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), length);
    if (error != std::errc() || end != text.data() + text.size() || length < 0)
        return std::nullopt;
    return length;
}

// One buffer per server thread, reused by every request that thread serves.
std::vector<char>& threadBuffer() {
    thread_local std::vector<char> buffer(directBufferSize);
    return buffer;
}

} // namespace

void RequestBody::answerExpectContinue() {
    // The library sends the interim answer only for the exact lower-case "100-continue", but
    // the value is case-insensitive: Go's S3 clients write "100-Continue" and, unanswered,
    // wait a full second before every body.
    const std::string value = m_request.get_header_value("Expect");
    if (m_continueAnswered || value == "100-continue" ||
        ::strcasecmp(value.c_str(), "100-continue") != 0)
        return;
    m_continueAnswered = true;
    if (m_fd < 0)
        m_fd = ConnectionSocket::find(m_request);
    constexpr std::string_view interim = "HTTP/1.1 100 Continue\r\n\r\n";
    if (m_fd >= 0)
        ::send(m_fd, interim.data(), interim.size(), MSG_NOSIGNAL);
}

RequestBody::RequestBody(const httplib::Request& request, const httplib::ContentReader& reader,
                         Arrival arrival)
    : m_request(request), m_reader(reader), m_arrival(std::move(arrival)) {}

void RequestBody::count(std::size_t bytes) {
    m_bytesRead += static_cast<std::int64_t>(bytes);
    if (m_arrival)
        m_arrival(static_cast<std::int64_t>(bytes));
}

bool RequestBody::deliver(std::string_view chunk, const Sink& sink, Outcome& outcome) {
    if (m_stopAfter && m_bytesRead + static_cast<std::int64_t>(chunk.size()) >= *m_stopAfter) {
        chunk = chunk.substr(0, static_cast<std::size_t>(*m_stopAfter - m_bytesRead));
        count(chunk.size());
        sink(chunk);
        outcome = Outcome::Stopped;
        return false;
    }
    count(chunk.size());
    if (!sink(chunk)) {
        outcome = Outcome::SinkRefused;
        return false;
    }
    return true;
}

RequestBody::Outcome RequestBody::readDirect(int fd, std::int64_t remaining, const Sink& sink) {
    std::vector<char>& buffer = threadBuffer();
    Outcome outcome = Outcome::Complete;
    while (remaining > 0) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::int64_t>(remaining, buffer.size()));
        const ssize_t n = ::recv(fd, buffer.data(), want, MSG_DONTWAIT);
        if (n > 0) {
            remaining -= n;
            if (!deliver({buffer.data(), static_cast<std::size_t>(n)}, sink, outcome))
                return outcome;
            continue;
        }
        if (n == 0)
            return Outcome::ClientGone;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return Outcome::ClientGone;
        pollfd wait{fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, idleTimeoutSeconds * 1000);
        if (ready == 0)
            return Outcome::ClientGone;
        if (ready < 0 && errno != EINTR)
            return Outcome::ClientGone;
    }
    return outcome;
}

RequestBody::Outcome RequestBody::read(const Sink& sink, std::optional<std::int64_t> stopAfter) {
    m_stopAfter = stopAfter;
    if (m_stopAfter && *m_stopAfter <= 0)
        return Outcome::Stopped;
    Outcome outcome = Outcome::Complete;
    const std::optional<std::int64_t> length = contentLength(m_request);
    // Without a length or chunked framing a request has no body at all.
    const bool framed =
        m_request.has_header("Content-Length") || m_request.has_header("Transfer-Encoding");
    if (!framed || (length && *length == 0))
        return Outcome::Complete;
    answerExpectContinue();
    if (directReadsSupported && length) {
        if (m_fd < 0)
            m_fd = ConnectionSocket::find(m_request);
        if (m_fd >= 0) {
            bool tookOver = false;
            // The library's loop stops when this receiver returns false; what it then reports
            // is replaced by the caller's answer, and the body has been read exactly.
            m_reader([&](const char* data, std::size_t size) {
                if (!deliver({data, size}, sink, outcome))
                    return false;
                tookOver = true;
                const std::int64_t remaining = *length - static_cast<std::int64_t>(size);
                if (remaining > 0)
                    outcome = readDirect(m_fd, remaining, sink);
                return false;
            });
            if (tookOver || outcome != Outcome::Complete)
                return outcome;
            return Outcome::ClientGone;
        }
    }
    const bool received = m_reader([&](const char* data, std::size_t size) {
        return deliver({data, size}, sink, outcome);
    });
    if (!received && outcome == Outcome::Complete)
        return Outcome::ClientGone;
    return outcome;
}

RequestBody::Outcome RequestBody::discard() {
    return read([](std::string_view) { return true; });
}

} // namespace devservice
