#pragma once

#include "RecordedRequest.h"

#include <QJsonValue>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace ParcelKit::Testing {

class TestHTTPConnection;

// A scriptable HTTP/1.1 server on 127.0.0.1 for tests and benchmarks. It listens from
// construction on; each connection is served on a thread of its own (keep-alive, bodies with a
// Content-Length, "Expect: 100-continue"), so tests can await the client on the main thread.
// Every request is recorded with its head and body. Answers come from the scripted replies
// first, then from the handler, else 404.
class TestHTTPServer {
public:
    struct Reply {
        int status = 200;
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;
        // Waited before answering; a client that goes away meanwhile abandons the request.
        std::chrono::milliseconds delay{0};
        // Closes the connection after this many bytes of the answer, head included.
        std::optional<qint64> dropAfterBytes;
        // Sends the body one byte at a time, this long apart.
        std::optional<std::chrono::milliseconds> byteInterval;
        // Sent as it is instead of an HTTP answer, then the connection closes.
        std::optional<QByteArray> raw;

        static Reply json(int status, const QJsonValue& value);
        static Reply text(int status, QByteArray body,
                          QByteArray contentType = "text/plain; charset=utf-8");
        static Reply xml(int status, QByteArray body) {
            return text(status, std::move(body), "application/xml");
        }
        static Reply empty(int status = 200) {
            Reply reply;
            reply.status = status;
            return reply;
        }
        static Reply rawBytes(QByteArray bytes) {
            Reply reply;
            reply.raw = std::move(bytes);
            return reply;
        }

        Reply& withHeader(QByteArray name, QByteArray value) {
            headers.append({std::move(name), std::move(value)});
            return *this;
        }
        Reply& after(std::chrono::milliseconds wait) {
            delay = wait;
            return *this;
        }
        Reply& droppedAfter(qint64 bytes) {
            dropAfterBytes = bytes;
            return *this;
        }
        Reply& trickled(std::chrono::milliseconds perByte) {
            byteInterval = perByte;
            return *this;
        }
    };
    // Runs on a connection thread; calls never overlap, so a handler needs no locking of its own.
    using Handler = std::function<Reply(const RecordedRequest&)>;

    TestHTTPServer();
    // Closes every connection and ends every thread; delayed answers end early.
    ~TestHTTPServer();
    TestHTTPServer(const TestHTTPServer&) = delete;
    TestHTTPServer& operator=(const TestHTTPServer&) = delete;

    quint16 port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by `pathAndQuery`.
    QUrl url(const QString& pathAndQuery = QStringLiteral("/")) const;

    void setHandler(Handler handler);
    // Runs on the connection's thread once a request's answer is chosen and before it is sent,
    // outside the handler's lock: it may block to hold that answer back while other connections
    // are served. It must return before the server is destroyed.
    using AnswerHold = std::function<void(const RecordedRequest&)>;
    void setAnswerHold(AnswerHold hold);
    void enqueue(Reply reply);
    // Cuts the connection of the next request once `bodyBytes` of its body arrived, unanswered.
    void dropNextRequestAfter(qint64 bodyBytes);
    // Discards bodies without recording anything and answers 200 at once: a fast upload target.
    void setSink(bool sink);

    QList<RecordedRequest> requests() const;
    int requestCount() const;
    int acceptedConnections() const { return m_accepted.load(); }
    // Requests whose client went away before their answer was complete.
    int abandonedRequests() const { return m_abandoned.load(); }

private:
    friend class TestHTTPConnection;

    struct Slot {
        std::thread thread;
        std::mutex mutex;
        int fd = -1;
        std::atomic<bool> done{false};
    };

    void acceptLoop();
    void serve(Slot& slot);
    void reapFinished();

    // For connections.
    Reply replyFor(const RecordedRequest& request);
    void holdAnswer(const RecordedRequest& request);
    std::optional<qint64> takeRequestCut();
    void record(RecordedRequest request);
    bool isSink() const { return m_sink.load(); }
    int stopEvent() const { return m_stopEvent; }
    void noteAbandoned() { ++m_abandoned; }

    int m_listenFd = -1;
    int m_stopEvent = -1;
    quint16 m_port = 0;
    std::thread m_acceptor;
    std::mutex m_slotsMutex;
    std::list<std::unique_ptr<Slot>> m_slots;

    mutable std::mutex m_mutex;
    std::mutex m_handlerMutex;
    Handler m_handler;
    AnswerHold m_answerHold;
    std::deque<Reply> m_script;
    std::optional<qint64> m_requestCut;
    QList<RecordedRequest> m_requests;

    std::atomic<bool> m_sink{false};
    std::atomic<int> m_accepted{0};
    std::atomic<int> m_abandoned{0};
};

} // namespace ParcelKit::Testing
