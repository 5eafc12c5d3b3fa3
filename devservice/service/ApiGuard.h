#pragma once

#include "service/Accounts.h"
#include "service/TokenStore.h"

#include <optional>
#include <string>

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

namespace devservice {

// The checks in front of every API call: a valid bearer token, and membership of the workspace
// named in the path. A workspace of someone else answers 404, as if it did not exist.
class ApiGuard {
public:
    ApiGuard(TokenStore& tokens, Accounts& accounts) : tokens_(tokens), accounts_(accounts) {}

    // The caller's user id, or a 401 answer sent.
    std::optional<std::string> user(const httplib::Request& req, httplib::Response& res) const;
    // The caller's user id when they belong to the workspace, or a 401/404 answer sent.
    std::optional<std::string> member(const httplib::Request& req, httplib::Response& res,
                                      const std::string& workspaceId) const;

private:
    TokenStore& tokens_;
    Accounts& accounts_;
};

} // namespace devservice
