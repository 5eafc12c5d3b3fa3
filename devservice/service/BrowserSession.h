#pragma once

#include <optional>
#include <string>

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

namespace devservice {

// Which user a browser is signed in as: a cookie set when the user allows a sign-in or picks
// themselves on the dashboard, carrying the user id and an HMAC under the service's secret.
class BrowserSession {
public:
    explicit BrowserSession(std::string secret) : secret_(std::move(secret)) {}

    std::optional<std::string> user(const httplib::Request& req) const;
    void start(httplib::Response& res, const std::string& userId) const;

private:
    std::string signature(const std::string& userId) const;

    std::string secret_;
};

} // namespace devservice
