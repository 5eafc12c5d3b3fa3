// The admin endpoints and the fault hook for non-storage paths, declared in StorageRoutes.h.
#include "StorageRoutes.h"

#include "ConnectionSocket.h"
#include "Crypto.h"
#include "StorageRequest.h"
#include "service/Clock.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <thread>

namespace devservice {

namespace {

using nlohmann::json;

bool isLoopback(const std::string& address) {
    return address.starts_with("127.") || address == "::1" || address.starts_with("::ffff:127.");
}

void sendJson(httplib::Response& response, int status, const json& body) {
    response.status = status;
    response.set_content(body.dump(), "application/json");
}

FaultInjector::Rule parseRule(const json& object) {
    if (!object.is_object())
        throw std::invalid_argument("a fault must be a JSON object");
    FaultInjector::Rule rule;
    rule.method = object.value("method", "");
    rule.pathRegex = object.value("path", "");
    rule.pathPrefix = object.value("pathPrefix", "");
    rule.queryRegex = object.value("query", "");
    rule.count = object.value("count", 1);
    rule.fault.status = object.value("status", 0);
    rule.fault.code = object.value("code", "");
    rule.fault.message = object.value("message", "");
    rule.fault.delay = std::chrono::milliseconds(object.value("delayMs", 0));
    if (object.contains("dropAfterBytes") && !object["dropAfterBytes"].is_null())
        rule.fault.dropAfterBytes = object["dropAfterBytes"].get<std::int64_t>();
    if (rule.count < 1)
        throw std::invalid_argument("count must be at least 1");
    if (rule.fault.status != 0 && (rule.fault.status < 100 || rule.fault.status > 599))
        throw std::invalid_argument("status must be an HTTP status");
    if (rule.fault.delay.count() < 0 || rule.fault.delay > std::chrono::minutes(10))
        throw std::invalid_argument("delayMs must be between 0 and 600000");
    if (rule.fault.dropAfterBytes && *rule.fault.dropAfterBytes < 0)
        throw std::invalid_argument("dropAfterBytes must not be negative");
    if (rule.fault.status == 0 && rule.fault.delay.count() == 0 && !rule.fault.dropAfterBytes)
        throw std::invalid_argument("a fault needs a status, a delay or dropAfterBytes");
    return rule;
}

bool isServicePath(const std::string& path) {
    for (const char* prefix : {"/api", "/oauth", "/t"}) {
        const std::string_view p(prefix);
        if (path.starts_with(p) && (path.size() == p.size() || path[p.size()] == '/'))
            return true;
    }
    return false;
}

} // namespace

void registerAdminRoutes(httplib::Server& server, FaultInjector& faults, RequestCounters& counters,
                         const std::string& adminToken, std::function<void()> clockMoved) {
    if (adminToken.empty())
        return;
    // Wraps a handler so it runs only for a loopback peer holding the token.
    const auto guarded = [adminToken](auto handler) {
        return [adminToken, handler](const httplib::Request& request, httplib::Response& response) {
            if (!isLoopback(request.remote_addr) ||
                !Crypto::constantTimeEquals(request.get_header_value("X-Admin-Token"), adminToken))
                return sendJson(response, 403, {{"error", "admin token required"}});
            handler(request, response);
        };
    };
    server.Post("/admin/faults",
                guarded([&faults](const httplib::Request& request, httplib::Response& response) {
                    try {
                        const json body = json::parse(request.body);
                        std::vector<FaultInjector::Rule> rules;
                        if (body.is_array()) {
                            for (const json& item : body)
                                rules.push_back(parseRule(item));
                        } else {
                            rules.push_back(parseRule(body));
                        }
                        for (const auto& rule : rules)
                            faults.add(rule);
                        sendJson(response, 200, {{"added", rules.size()}});
                    } catch (const std::exception& error) {
                        sendJson(response, 400, {{"error", error.what()}});
                    }
                }));
    server.Delete("/admin/faults",
                  guarded([&faults](const httplib::Request&, httplib::Response& response) {
                      faults.clear();
                      response.status = 204;
                  }));
    server.Get("/admin/counters",
               guarded([&counters](const httplib::Request&, httplib::Response& response) {
                   response.status = 200;
                   response.set_content(counters.json(), "application/json");
               }));
    server.Post("/admin/clock",
                guarded([clockMoved](const httplib::Request& request, httplib::Response& response) {
                    const json body = json::parse(request.body, nullptr, false);
                    const json seconds =
                        body.is_object() ? body.value("advanceSeconds", json()) : json();
                    constexpr std::int64_t tenYears = 10LL * 366 * 24 * 3600;
                    if (!seconds.is_number_integer() || seconds.get<std::int64_t>() < 0 ||
                        seconds.get<std::int64_t>() > tenYears)
                        return sendJson(response, 400,
                                        {{"error", "advanceSeconds must be 0 to ten years"}});
                    Clock::advance(std::chrono::seconds(seconds.get<std::int64_t>()));
                    clockMoved();
                    response.status = 204;
                }));
    server.Delete("/admin/counters",
                  guarded([&counters](const httplib::Request&, httplib::Response& response) {
                      counters.reset();
                      response.status = 204;
                  }));
}

void installFaultHook(httplib::Server& server, FaultInjector& faults, RequestCounters&) {
    server.set_pre_routing_handler(
        [&faults](const httplib::Request& request, httplib::Response& response) {
            if (!isServicePath(request.path))
                return httplib::Server::HandlerResponse::Unhandled;
            const auto fault =
                faults.take(request.method, request.path, StorageRequest::rawQuery(request.target));
            if (!fault)
                return httplib::Server::HandlerResponse::Unhandled;
            if (fault->delay.count() > 0)
                std::this_thread::sleep_for(fault->delay);
            if (fault->dropAfterBytes) {
                // Service bodies are small: the cut comes before any of it is read.
                if (const int fd = ConnectionSocket::find(request); fd >= 0)
                    ConnectionSocket::reset(fd);
                return httplib::Server::HandlerResponse::Handled;
            }
            if (fault->status == 0)
                return httplib::Server::HandlerResponse::Unhandled;
            // The body is left unread, so the connection cannot carry another request.
            response.set_header("Connection", "close");
            sendJson(response, fault->status,
                     {{"message", fault->message.empty() ? "Injected fault" : fault->message},
                      {"error", fault->code}});
            return httplib::Server::HandlerResponse::Handled;
        });
}

} // namespace devservice
