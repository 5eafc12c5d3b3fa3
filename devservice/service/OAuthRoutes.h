#pragma once

#include "service/Accounts.h"
#include "service/BrowserSession.h"
#include "service/TokenStore.h"

#include <map>
#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace devservice {

// The browser sign-in page (GET/POST /oauth/authorize; allowing also signs the browser in), the
// token endpoint (POST /oauth/token) and revocation (DELETE /api/v1/token) for the one registered
// client.
class OAuthRoutes {
public:
    OAuthRoutes(Accounts& accounts, TokenStore& tokens, const BrowserSession& session,
                std::string clientId, std::string redirectUri)
        : accounts_(accounts), tokens_(tokens), session_(session), clientId_(std::move(clientId)),
          redirectUri_(std::move(redirectUri)) {}

    void registerRoutes(httplib::Server& server);

private:
    using Params = std::map<std::string, std::string>;

    void showAuthorize(const httplib::Request& req, httplib::Response& res);
    void decide(const httplib::Request& req, httplib::Response& res);
    // Sends the error page or redirect when the authorization request is unusable.
    bool checkAuthorizeRequest(const Params& params, httplib::Response& res);
    void token(const httplib::Request& req, httplib::Response& res);
    void revoke(const httplib::Request& req, httplib::Response& res);

    void redirectBack(httplib::Response& res, const Params& params,
                      const std::map<std::string, std::string>& query);

    Accounts& accounts_;
    TokenStore& tokens_;
    const BrowserSession& session_;
    std::string clientId_;
    std::string redirectUri_;
};

} // namespace devservice
