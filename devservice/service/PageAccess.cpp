#include "service/PageAccess.h"

#include "service/HttpUtil.h"
#include "service/Secrets.h"

#include <httplib.h>

namespace devservice {

namespace {
std::string cookieName(const std::string& transferId) {
    return "parcella_t_" + transferId;
}
} // namespace

std::string PageAccess::signature(const std::string& transferId, const std::string& email) const {
    return Secrets::hmacSha256Hex(secret_, "page-access\n" + transferId + "\n" + email);
}

std::optional<PageAccess::Grant> PageAccess::check(const httplib::Request& req,
                                                   const TransferStore::Transfer& transfer) const {
    if (!transfer.protection)
        return Grant{};
    const auto value = HttpUtil::cookie(req, cookieName(transfer.id));
    if (!value)
        return std::nullopt;
    const auto dot = value->rfind('.');
    if (dot == std::string::npos)
        return std::nullopt;
    const auto email = HttpUtil::percentDecode(value->substr(0, dot), false);
    if (!Secrets::constantTimeEquals(value->substr(dot + 1), signature(transfer.id, email)))
        return std::nullopt;
    return Grant{email.empty() ? std::nullopt : std::optional<std::string>(email)};
}

void PageAccess::grant(httplib::Response& res, const TransferStore::Transfer& transfer,
                       const std::optional<std::string>& email) const {
    const auto address = email.value_or("");
    res.set_header("Set-Cookie", cookieName(transfer.id) + "=" + HttpUtil::percentEncode(address) +
                                     "." + signature(transfer.id, address) + "; Path=/t/" +
                                     transfer.id + "; Max-Age=86400; HttpOnly; SameSite=Lax");
}

} // namespace devservice
