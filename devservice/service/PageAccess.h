#pragma once

#include "service/TransferStore.h"

#include <optional>
#include <string>

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

namespace devservice {

// Who may see a protected download page: a cookie, scoped to the transfer's path, that carries
// the address that opened it (for e-mail codes) and an HMAC under the service's secret.
class PageAccess {
public:
    struct Grant {
        std::optional<std::string> email;
    };

    explicit PageAccess(std::string secret) : secret_(std::move(secret)) {}

    // Unprotected transfers are open to everyone.
    std::optional<Grant> check(const httplib::Request& req,
                               const TransferStore::Transfer& transfer) const;
    void grant(httplib::Response& res, const TransferStore::Transfer& transfer,
               const std::optional<std::string>& email) const;

private:
    std::string signature(const std::string& transferId, const std::string& email) const;

    std::string secret_;
};

} // namespace devservice
