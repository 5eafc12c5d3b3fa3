#pragma once

#include "service/ApiGuard.h"
#include "service/TransferMailer.h"
#include "service/TransferStore.h"
#include "service/UploadStore.h"

#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace devservice {

// The transfers of a workspace: list, get, create, change of expiry and deletion.
class TransferRoutes {
public:
    TransferRoutes(const ApiGuard& guard, Accounts& accounts, TransferStore& transfers,
                   const UploadStore& uploads, TransferMailer& mailer, std::string publicUrl)
        : guard_(guard), accounts_(accounts), transfers_(transfers), uploads_(uploads),
          mailer_(mailer), publicUrl_(std::move(publicUrl)) {}

    void registerRoutes(httplib::Server& server);

private:
    void list(const httplib::Request& req, httplib::Response& res);
    void get(const httplib::Request& req, httplib::Response& res);
    void create(const httplib::Request& req, httplib::Response& res);
    void changeExpiry(const httplib::Request& req, httplib::Response& res);
    void remove(const httplib::Request& req, httplib::Response& res);

    // The transfer named by the path, or a 401/404 answer sent.
    std::optional<TransferStore::Transfer> transferOf(const httplib::Request& req,
                                                      httplib::Response& res);
    void sendTransfer(httplib::Response& res, int status, const std::string& transferId);

    const ApiGuard& guard_;
    Accounts& accounts_;
    TransferStore& transfers_;
    const UploadStore& uploads_;
    TransferMailer& mailer_;
    std::string publicUrl_;
};

} // namespace devservice
