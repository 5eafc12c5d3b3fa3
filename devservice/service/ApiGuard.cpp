#include "service/ApiGuard.h"

#include "service/HttpUtil.h"

#include <httplib.h>

namespace devservice {

std::optional<std::string> ApiGuard::user(const httplib::Request& req,
                                          httplib::Response& res) const {
    const auto token = HttpUtil::bearerToken(req);
    if (!token) {
        res.set_header("WWW-Authenticate", "Bearer");
        HttpUtil::sendMessage(res, 401, "A bearer token is required.");
        return std::nullopt;
    }
    auto userId = tokens_.authenticate(*token);
    if (!userId) {
        res.set_header("WWW-Authenticate", "Bearer error=\"invalid_token\"");
        HttpUtil::sendMessage(res, 401, "The access token is invalid or has expired.");
        return std::nullopt;
    }
    return userId;
}

std::optional<std::string> ApiGuard::member(const httplib::Request& req, httplib::Response& res,
                                            const std::string& workspaceId) const {
    auto userId = user(req, res);
    if (!userId)
        return std::nullopt;
    if (!accounts_.isMember(*userId, workspaceId)) {
        HttpUtil::sendMessage(res, 404, "No such workspace.");
        return std::nullopt;
    }
    return userId;
}

} // namespace devservice
