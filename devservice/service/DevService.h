#pragma once

#include "service/ServiceOptions.h"

#include <memory>
#include <string>

namespace httplib {
class Server;
}

namespace devservice {

// The whole program behind one port: builds the state in the data folder, registers every route
// and runs the HTTP server until stop().
class DevService {
public:
    explicit DevService(ServiceOptions options);
    ~DevService();
    DevService(const DevService&) = delete;
    DevService& operator=(const DevService&) = delete;

    // Binds the listening socket; returns the port (useful with port 0). Throws on failure.
    int bind();
    // Serves until stop() is called from another thread.
    void run();
    void stop();

    std::string baseUrl() const;

private:
    struct State;
    void registerRoutes();

    ServiceOptions options_;
    std::unique_ptr<httplib::Server> server_;
    std::unique_ptr<State> state_;
    int port_ = 0;
};

} // namespace devservice
