#pragma once

#include "RecordedRequest.h"
#include "TestHTTPServer.h"

#include <QByteArray>

#include <optional>

namespace ParcelKit::Testing {

// Serves one accepted connection of the test server with blocking I/O on its own thread: reads
// requests one after the other, records them and writes the answers, until either side closes.
class TestHTTPConnection {
public:
    TestHTTPConnection(TestHTTPServer& server, int fd);
    void serve();

private:
    enum class Outcome { keepOpen, close };
    enum class Head { complete, malformed, closed };

    Outcome serveOne();
    Head readHead(RecordedRequest& request);
    // Reads the body into `request` (or discards it); false when the connection ended or was cut.
    bool readBody(RecordedRequest& request, std::optional<qint64> cut);
    // Reads up to `count` bytes into `destination`, or discards them when it is null; stops
    // early at the end of the stream or when `cut` runs out. Returns the bytes read.
    qint64 readInto(char* destination, qint64 count, std::optional<qint64>& cut);
    std::optional<QByteArray> readLine();
    bool fill();

    // False when the client went away during the wait.
    bool waitBeforeAnswer(std::chrono::milliseconds delay);
    bool answer(const RecordedRequest& request, const TestHTTPServer::Reply& reply);
    bool sendAll(const char* data, qint64 size);

    TestHTTPServer& m_server;
    int m_fd;
    QByteArray m_buffer;
    qsizetype m_begin = 0;
    QByteArray m_scratch;
};

} // namespace ParcelKit::Testing
