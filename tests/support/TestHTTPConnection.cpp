#include "TestHTTPConnection.h"

#include <QList>

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace ParcelKit::Testing {

namespace {

constexpr qsizetype readSlice = 256 * 1024;
constexpr qsizetype maxHeadSize = 64 * 1024;
constexpr qsizetype sinkScratchSize = 1024 * 1024;

// Clients ignore the phrase, but the byte offsets of cut answers count it.
QByteArray reasonPhrase(int status) {
    static const QList<QByteArray> known =
        QByteArray("200 OK|201 Created|204 No Content|400 Bad Request|401 Unauthorized|"
                   "403 Forbidden|404 Not Found|422 Unprocessable Entity|"
                   "500 Internal Server Error|503 Service Unavailable")
            .split('|');
    for (const QByteArray& entry : known) {
        if (entry.startsWith(QByteArray::number(status) + ' '))
            return entry.mid(4);
    }
    return "Status";
}

bool hasHeader(const QList<std::pair<QByteArray, QByteArray>>& headers, const char* name) {
    for (const auto& header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool asksToClose(const std::optional<QByteArray>& connection) {
    return connection && connection->trimmed().compare("close", Qt::CaseInsensitive) == 0;
}

} // namespace

TestHTTPConnection::TestHTTPConnection(TestHTTPServer& server, int fd)
    : m_server(server), m_fd(fd) {}

void TestHTTPConnection::serve() {
    while (serveOne() == Outcome::keepOpen) {
    }
}

TestHTTPConnection::Outcome TestHTTPConnection::serveOne() {
    RecordedRequest request;
    switch (readHead(request)) {
    case Head::complete:
        break;
    case Head::malformed:
        answer(request, TestHTTPServer::Reply::text(400, "malformed request\n")
                            .withHeader("Connection", "close"));
        return Outcome::close;
    case Head::closed:
        return Outcome::close;
    }
    const auto expect = request.header("Expect");
    if (expect && expect->trimmed().compare("100-continue", Qt::CaseInsensitive) == 0 &&
        !sendAll("HTTP/1.1 100 Continue\r\n\r\n", 25))
        return Outcome::close;

    const bool sink = m_server.isSink();
    if (!readBody(request, m_server.takeRequestCut())) {
        request.bodyComplete = false;
        if (!sink)
            m_server.record(std::move(request));
        return Outcome::close;
    }
    request.receivedAt = std::chrono::steady_clock::now();
    TestHTTPServer::Reply reply;
    if (!sink) {
        m_server.record(request);
        reply = m_server.replyFor(request);
        m_server.holdAnswer(request);
    }
    if (reply.delay.count() > 0 && !waitBeforeAnswer(reply.delay))
        return Outcome::close;
    if (!answer(request, reply))
        return Outcome::close;
    if (asksToClose(request.header("Connection")))
        return Outcome::close;
    for (const auto& [name, value] : reply.headers) {
        if (name.compare("Connection", Qt::CaseInsensitive) == 0 && asksToClose(value))
            return Outcome::close;
    }
    return Outcome::keepOpen;
}

TestHTTPConnection::Head TestHTTPConnection::readHead(RecordedRequest& request) {
    // Skips empty lines between requests; what follows must start with a method token, so that
    // a TLS handshake sent to this plain server is refused at once instead of waiting forever.
    for (;;) {
        while (m_begin == m_buffer.size()) {
            if (!fill())
                return Head::closed;
        }
        const char first = m_buffer.at(m_begin);
        if (first == '\r' || first == '\n') {
            ++m_begin;
            continue;
        }
        if (first < 'A' || first > 'Z')
            return Head::malformed;
        break;
    }
    std::optional<QByteArray> line = readLine();
    if (!line)
        return Head::closed;
    const QList<QByteArray> parts = line->split(' ');
    if (parts.size() != 3 || !parts[2].startsWith("HTTP/1."))
        return Head::malformed;
    request.method = parts[0];
    request.target = parts[1];
    for (;;) {
        line = readLine();
        if (!line)
            return Head::closed;
        if (line->isEmpty())
            return Head::complete;
        const qsizetype colon = line->indexOf(':');
        if (colon <= 0)
            return Head::malformed;
        request.headers.append({line->left(colon).trimmed(), line->mid(colon + 1).trimmed()});
    }
}

bool TestHTTPConnection::readBody(RecordedRequest& request, std::optional<qint64> cut) {
    // The engine always states a body's length; a chunked body is not read.
    if (request.header("Transfer-Encoding"))
        return false;
    const qint64 length = request.header("Content-Length").value_or("0").toLongLong();
    const bool keep = !m_server.isSink();
    if (keep)
        request.body.resize(qsizetype(length));
    const qint64 got = readInto(keep ? request.body.data() : nullptr, length, cut);
    if (keep)
        request.body.truncate(qsizetype(got));
    return got == length;
}

qint64 TestHTTPConnection::readInto(char* destination, qint64 count, std::optional<qint64>& cut) {
    if (!destination && m_scratch.isEmpty())
        m_scratch.resize(sinkScratchSize);
    qint64 got = 0;
    while (got < count) {
        qint64 want = count - got;
        if (cut) {
            if (*cut <= 0)
                break;
            want = std::min(want, *cut);
        }
        qint64 n = 0;
        const qint64 buffered = m_buffer.size() - m_begin;
        if (buffered > 0) {
            n = std::min(want, buffered);
            if (destination)
                std::memcpy(destination + got, m_buffer.constData() + m_begin, size_t(n));
            m_begin += qsizetype(n);
        } else {
            char* target = destination ? destination + got : m_scratch.data();
            if (!destination)
                want = std::min<qint64>(want, m_scratch.size());
            n = ::recv(m_fd, target, size_t(want), 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
        }
        got += n;
        if (cut)
            *cut -= n;
    }
    return got;
}

std::optional<QByteArray> TestHTTPConnection::readLine() {
    for (;;) {
        const qsizetype end = m_buffer.indexOf("\r\n", m_begin);
        if (end >= 0) {
            QByteArray line = m_buffer.mid(m_begin, end - m_begin);
            m_begin = end + 2;
            return line;
        }
        if (m_buffer.size() - m_begin > maxHeadSize || !fill())
            return std::nullopt;
    }
}

bool TestHTTPConnection::fill() {
    if (m_begin == m_buffer.size()) {
        m_buffer.clear();
        m_begin = 0;
    } else if (m_begin > maxHeadSize) {
        m_buffer.remove(0, m_begin);
        m_begin = 0;
    }
    const qsizetype old = m_buffer.size();
    m_buffer.resize(old + readSlice);
    qint64 n = 0;
    do {
        n = ::recv(m_fd, m_buffer.data() + old, size_t(readSlice), 0);
    } while (n < 0 && errno == EINTR);
    m_buffer.truncate(old + qsizetype(std::max<qint64>(n, 0)));
    return n > 0;
}

bool TestHTTPConnection::waitBeforeAnswer(std::chrono::milliseconds delay) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + delay;
    bool watchClient = true;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return true;
        pollfd fds[2] = {{m_server.stopEvent(), POLLIN, 0}, {m_fd, short(POLLIN | POLLRDHUP), 0}};
        if (::poll(fds, watchClient ? 2 : 1, int(left.count()) + 1) < 0 && errno != EINTR)
            return false;
        if (fds[0].revents != 0)
            return false;
        if (!watchClient || fds[1].revents == 0)
            continue;
        char probe;
        const bool gone = (fds[1].revents & (POLLRDHUP | POLLHUP | POLLERR)) ||
                          ::recv(m_fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
        if (gone) {
            m_server.noteAbandoned();
            return false;
        }
        // A pipelined request waits in the socket; only the stop event can end the wait now.
        watchClient = false;
    }
}

bool TestHTTPConnection::answer(const RecordedRequest& request,
                                const TestHTTPServer::Reply& reply) {
    if (reply.raw) {
        sendAll(reply.raw->constData(), reply.raw->size());
        ::shutdown(m_fd, SHUT_RDWR);
        return false;
    }
    const bool bodyless = reply.status < 200 || reply.status == 204 || reply.status == 304;
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    for (const auto& [name, value] : reply.headers)
        head += name + ": " + value + "\r\n";
    if (!bodyless && !hasHeader(reply.headers, "Content-Length") &&
        !hasHeader(reply.headers, "Transfer-Encoding"))
        head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    head += "\r\n";
    const bool sendsBody = !bodyless && request.method != "HEAD";
    const qint64 bodySize = sendsBody ? reply.body.size() : 0;

    if (reply.byteInterval) {
        if (!sendAll(head.constData(), head.size()))
            return false;
        for (qint64 i = 0; i < bodySize; ++i) {
            if (!waitBeforeAnswer(*reply.byteInterval) || !sendAll(reply.body.constData() + i, 1))
                return false;
        }
        return true;
    }
    const qint64 limit = reply.dropAfterBytes.value_or(head.size() + bodySize);
    if (!sendAll(head.constData(), std::min<qint64>(limit, head.size())) ||
        !sendAll(reply.body.constData(), std::clamp<qint64>(limit - head.size(), 0, bodySize)))
        return false;
    if (limit < head.size() + bodySize) {
        ::shutdown(m_fd, SHUT_RDWR);
        return false;
    }
    return true;
}

bool TestHTTPConnection::sendAll(const char* data, qint64 size) {
    while (size > 0) {
        const qint64 n = ::send(m_fd, data, size_t(size), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_server.noteAbandoned();
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace ParcelKit::Testing
