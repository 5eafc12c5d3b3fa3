#include "service/BrowserSession.h"

#include "service/HttpUtil.h"
#include "service/Secrets.h"

#include <httplib.h>

namespace devservice {

namespace {
constexpr const char* cookieName = "parcella_session";
} // namespace

std::string BrowserSession::signature(const std::string& userId) const {
    return Secrets::hmacSha256Hex(secret_, "browser-session\n" + userId);
}

std::optional<std::string> BrowserSession::user(const httplib::Request& req) const {
    const auto value = HttpUtil::cookie(req, cookieName);
    if (!value)
        return std::nullopt;
    const auto dot = value->rfind('.');
    if (dot == std::string::npos)
        return std::nullopt;
    auto userId = HttpUtil::percentDecode(value->substr(0, dot), false);
    if (!Secrets::constantTimeEquals(value->substr(dot + 1), signature(userId)))
        return std::nullopt;
    return userId;
}

void BrowserSession::start(httplib::Response& res, const std::string& userId) const {
    res.set_header("Set-Cookie", std::string(cookieName) + "=" + HttpUtil::percentEncode(userId) +
                                     "." + signature(userId) +
                                     "; Path=/; Max-Age=2592000; HttpOnly; SameSite=Lax");
}

} // namespace devservice
