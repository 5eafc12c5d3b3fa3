#pragma once

namespace httplib {
struct Request;
}

namespace devservice {

// The TCP socket a request arrived on. The HTTP library does not hand it to handlers, so it is
// found by matching the request's local and remote endpoints against this process's sockets.
class ConnectionSocket {
public:
    // -1 when no socket matches (the connection is already gone).
    static int find(const httplib::Request& request);
    // Resets the connection at once: the peer sees a transport error, never an HTTP answer.
    static void reset(int fd);
};

} // namespace devservice
