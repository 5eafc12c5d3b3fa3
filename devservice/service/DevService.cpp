#include "service/DevService.h"

#include <httplib.h>

#include <stdexcept>

namespace devservice {

struct DevService::State {};

DevService::DevService(ServiceOptions options)
    : options_(std::move(options)), server_(std::make_unique<httplib::Server>()) {
    std::filesystem::create_directories(options_.dataDir);
    state_ = std::make_unique<State>();
}

DevService::~DevService() = default;

int DevService::bind() {
    port_ =
        options_.listenPort == 0
            ? server_->bind_to_any_port(options_.listenHost)
            : (server_->bind_to_port(options_.listenHost, options_.listenPort) ? options_.listenPort
                                                                               : -1);
    if (port_ <= 0)
        throw std::runtime_error("cannot listen on " + options_.listenHost + ":" +
                                 std::to_string(options_.listenPort));
    if (options_.publicUrl.empty())
        options_.publicUrl = baseUrl();
    registerRoutes();
    return port_;
}

void DevService::run() {
    server_->listen_after_bind();
}

void DevService::stop() {
    server_->stop();
}

std::string DevService::baseUrl() const {
    const bool v6 = options_.listenHost.find(':') != std::string::npos;
    return "http://" + (v6 ? "[" + options_.listenHost + "]" : options_.listenHost) + ":" +
           std::to_string(port_);
}

void DevService::registerRoutes() {}

} // namespace devservice
