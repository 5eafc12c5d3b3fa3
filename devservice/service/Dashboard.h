#pragma once

#include "service/Accounts.h"
#include "service/BrowserSession.h"
#include "service/TransferStore.h"

#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace devservice {

// The web dashboard the application opens: the signed-in browser's workspaces with their recent
// transfers and links to the download pages. A browser that has not signed in picks its user,
// as on the sign-in page.
class Dashboard {
public:
    Dashboard(const Accounts& accounts, const TransferStore& transfers,
              const BrowserSession& session, std::string publicUrl)
        : accounts_(accounts), transfers_(transfers), session_(session),
          publicUrl_(std::move(publicUrl)) {}

    void registerRoutes(httplib::Server& server);

private:
    void show(const httplib::Request& req, httplib::Response& res);
    void choose(const httplib::Request& req, httplib::Response& res);
    std::string transferItem(const TransferStore::Transfer& transfer) const;

    const Accounts& accounts_;
    const TransferStore& transfers_;
    const BrowserSession& session_;
    std::string publicUrl_;
};

} // namespace devservice
