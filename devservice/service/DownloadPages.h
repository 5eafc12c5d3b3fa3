#pragma once

#include "service/AccessCodes.h"
#include "service/PageAccess.h"
#include "service/TransferMailer.h"
#include "service/TransferStore.h"
#include "storage/ObjectStore.h"

#include <optional>
#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace devservice {

// The page behind a transfer's link: the file list with download links, the password and
// e-mail-code forms in front of protected transfers, and the file downloads themselves.
class DownloadPages {
public:
    DownloadPages(TransferStore& transfers, ObjectStore& store, AccessCodes& codes,
                  const PageAccess& access, TransferMailer& mailer)
        : transfers_(transfers), store_(store), codes_(codes), access_(access), mailer_(mailer) {}

    void registerRoutes(httplib::Server& server);

private:
    void show(const httplib::Request& req, httplib::Response& res);
    void enterPassword(const httplib::Request& req, httplib::Response& res);
    void requestCode(const httplib::Request& req, httplib::Response& res);
    void enterCode(const httplib::Request& req, httplib::Response& res);
    void download(const httplib::Request& req, httplib::Response& res);

    // The transfer when it can be shown; otherwise its 404/410 page is sent.
    std::optional<TransferStore::Transfer> available(const std::string& transferId,
                                                     httplib::Response& res);
    void sendLocked(httplib::Response& res, const TransferStore::Transfer& transfer, int status,
                    const std::string& notice);
    void sendCodeForm(httplib::Response& res, const TransferStore::Transfer& transfer, int status,
                      const std::string& email, const std::string& notice);
    bool mayRequestCode(const TransferStore::Transfer& transfer, const std::string& email) const;

    TransferStore& transfers_;
    ObjectStore& store_;
    AccessCodes& codes_;
    const PageAccess& access_;
    TransferMailer& mailer_;
};

} // namespace devservice
