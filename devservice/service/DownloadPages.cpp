#include "service/DownloadPages.h"

#include "service/Accounts.h"
#include "service/Clock.h"
#include "service/HtmlPage.h"
#include "service/HttpUtil.h"
#include "service/Secrets.h"
#include "service/UploadStore.h"
#include "storage/ObjectReader.h"

#include <httplib.h>

#include <algorithm>
#include <memory>

namespace devservice {

namespace {

std::string htmlEscape(std::string_view text) {
    return HttpUtil::htmlEscape(text);
}

std::string title(const TransferStore::Transfer& transfer) {
    if (transfer.subject)
        return *transfer.subject;
    if (transfer.files.size() == 1)
        return transfer.files.front().filename;
    return std::to_string(transfer.files.size()) + " files";
}

// Nothing about the files shows before a protected transfer is opened.
const std::string lockedTitle = "Protected transfer";

std::string readableSize(std::int64_t bytes) {
    static constexpr const char* units[] = {"bytes", "KB", "MB", "GB", "TB"};
    double value = double(bytes);
    int unit = 0;
    while (value >= 1000 && unit < 4) {
        value /= 1000;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", value, units[unit]);
    return text;
}

std::string field(const httplib::Request& req, const std::string& name) {
    const auto form = HttpUtil::parseForm(req.body);
    const auto it = form.find(name);
    return it == form.end() ? std::string() : it->second;
}

std::string contentDisposition(const std::string& filename) {
    std::string ascii;
    for (const unsigned char c : filename)
        ascii.push_back(c < 0x20 || c >= 0x7f || c == '"' || c == '\\' ? '_' : char(c));
    return "attachment; filename=\"" + ascii + "\"; filename*=UTF-8''" +
           HttpUtil::percentEncode(filename);
}

// A range request that does not start at the first byte continues a download already counted.
bool startsDownload(const httplib::Request& req) {
    if (req.method == "HEAD")
        return false;
    const auto range = req.get_header_value("Range");
    return range.empty() || range.rfind("bytes=0-", 0) == 0;
}

} // namespace

void DownloadPages::registerRoutes(httplib::Server& server) {
    server.Get(R"(/t/([^/]+)/?)", [this](const auto& req, auto& res) { show(req, res); });
    server.Post(R"(/t/([^/]+)/password)", HttpUtil::readingBody([this](const auto& req, auto& res) {
                    enterPassword(req, res);
                }));
    server.Post(R"(/t/([^/]+)/code)", HttpUtil::readingBody([this](const auto& req, auto& res) {
                    requestCode(req, res);
                }));
    server.Post(R"(/t/([^/]+)/verify)",
                HttpUtil::readingBody([this](const auto& req, auto& res) { enterCode(req, res); }));
    server.Get(R"(/t/([^/]+)/files/([^/]+))",
               [this](const auto& req, auto& res) { download(req, res); });
}

std::optional<TransferStore::Transfer> DownloadPages::available(const std::string& transferId,
                                                                httplib::Response& res) {
    auto transfer = transfers_.find(transferId);
    if (!transfer) {
        HttpUtil::sendHtml(res, 404,
                           HtmlPage::message("Not found", "There is no transfer at this link."));
        return std::nullopt;
    }
    if (transfer->revokedAt) {
        HttpUtil::sendHtml(res, 410,
                           HtmlPage::message("Transfer deleted",
                                             "The sender deleted this transfer. Its files are "
                                             "no longer available."));
        return std::nullopt;
    }
    if (transfer->expiresAt <= Clock::nowMs()) {
        HttpUtil::sendHtml(res, 410,
                           HtmlPage::message("Transfer expired",
                                             "This transfer has expired. Its files are no "
                                             "longer available."));
        return std::nullopt;
    }
    return transfer;
}

void DownloadPages::show(const httplib::Request& req, httplib::Response& res) {
    const auto transfer = available(req.matches[1], res);
    if (!transfer)
        return;
    const auto grant = access_.check(req, *transfer);
    if (!grant) {
        sendLocked(res, *transfer, 200, {});
        return;
    }
    transfers_.countView(transfer->id, grant->email);

    std::string body = "<h1>" + htmlEscape(title(*transfer)) + "</h1>";
    if (transfer->message)
        body += "<p>" + htmlEscape(*transfer->message) + "</p>";
    body += "<ul>";
    for (const auto& file : transfer->files)
        body += "<li><a href=\"/t/" + transfer->id + "/files/" + HttpUtil::percentEncode(file.id) +
                "\">" + htmlEscape(file.filename) + "</a><span class=\"size\">" +
                readableSize(file.size) + "</span></li>";
    body += "</ul><p>Available until " + Clock::wireDate(transfer->expiresAt) + ".</p>";
    HttpUtil::sendHtml(res, 200, HtmlPage::render(title(*transfer), body));
}

void DownloadPages::sendLocked(httplib::Response& res, const TransferStore::Transfer& transfer,
                               int status, const std::string& notice) {
    std::string body = "<h1>" + lockedTitle + "</h1>";
    if (!notice.empty())
        body += "<p class=\"error\">" + htmlEscape(notice) + "</p>";
    if (transfer.protection == "password") {
        body += "<form method=\"post\" action=\"/t/" + transfer.id +
                "/password\"><label>Password<input type=\"password\" name=\"password\" "
                "autofocus></label><button type=\"submit\">Open</button></form>";
    } else {
        body += "<p>This transfer is protected. Ask for a one-time code at your e-mail "
                "address.</p><form method=\"post\" action=\"/t/" +
                transfer.id +
                "/code\"><label>E-mail address<input type=\"email\" name=\"email\" autofocus>"
                "</label><button type=\"submit\">Send code</button></form>";
    }
    HttpUtil::sendHtml(res, status, HtmlPage::render(lockedTitle, body));
}

void DownloadPages::sendCodeForm(httplib::Response& res, const TransferStore::Transfer& transfer,
                                 int status, const std::string& email, const std::string& notice) {
    std::string body = "<h1>" + lockedTitle + "</h1><p>" + htmlEscape(notice) +
                       "</p><form method=\"post\" action=\"/t/" + transfer.id +
                       "/verify\"><input type=\"hidden\" name=\"email\" value=\"" +
                       htmlEscape(email) +
                       "\"><label>Code<input type=\"text\" name=\"code\" inputmode=\"numeric\" "
                       "autocomplete=\"one-time-code\" autofocus></label>"
                       "<button type=\"submit\">Open</button></form>";
    HttpUtil::sendHtml(res, status, HtmlPage::render(lockedTitle, body));
}

void DownloadPages::enterPassword(const httplib::Request& req, httplib::Response& res) {
    const auto transfer = available(req.matches[1], res);
    if (!transfer)
        return;
    if (transfer->protection != "password" || !transfer->passwordHash) {
        HttpUtil::redirect(res, 303, "/t/" + transfer->id);
        return;
    }
    if (!Secrets::verifyPassword(field(req, "password"), *transfer->passwordHash)) {
        sendLocked(res, *transfer, 403, "That password is not right.");
        return;
    }
    access_.grant(res, *transfer, std::nullopt);
    HttpUtil::redirect(res, 303, "/t/" + transfer->id);
}

bool DownloadPages::mayRequestCode(const TransferStore::Transfer& transfer,
                                   const std::string& email) const {
    return transfer.protection == "email_code" &&
           NewTransfer::allows(transfer.allowedEmails, email);
}

void DownloadPages::requestCode(const httplib::Request& req, httplib::Response& res) {
    const auto transfer = available(req.matches[1], res);
    if (!transfer)
        return;
    if (transfer->protection != "email_code") {
        HttpUtil::redirect(res, 303, "/t/" + transfer->id);
        return;
    }
    const auto email = HttpUtil::lower(HttpUtil::trimmed(field(req, "email")));
    if (!NewTransfer::isEmailAddress(email)) {
        sendLocked(res, *transfer, 422, "Enter an e-mail address.");
        return;
    }
    // The answer is the same for addresses that may not open the transfer, so the page does
    // not tell who may.
    if (mayRequestCode(*transfer, email))
        mailer_.sendCode(*transfer, email, codes_.issue(transfer->id, email));
    sendCodeForm(res, *transfer, 200, email,
                 "If this address may open the transfer, a code is on its way to " + email + ".");
}

void DownloadPages::enterCode(const httplib::Request& req, httplib::Response& res) {
    const auto transfer = available(req.matches[1], res);
    if (!transfer)
        return;
    const auto email = HttpUtil::lower(HttpUtil::trimmed(field(req, "email")));
    const auto code = HttpUtil::trimmed(field(req, "code"));
    if (!mayRequestCode(*transfer, email) || !codes_.verify(transfer->id, email, code)) {
        sendCodeForm(res, *transfer, 403, email,
                     "That code is not right or has expired. Ask for a new one if needed.");
        return;
    }
    access_.grant(res, *transfer, email);
    HttpUtil::redirect(res, 303, "/t/" + transfer->id);
}

void DownloadPages::download(const httplib::Request& req, httplib::Response& res) {
    const auto transfer = available(req.matches[1], res);
    if (!transfer)
        return;
    const auto grant = access_.check(req, *transfer);
    if (!grant) {
        sendLocked(res, *transfer, 403, "Open the transfer first.");
        return;
    }
    const std::string fileId = req.matches[2];
    const auto file = std::find_if(transfer->files.begin(), transfer->files.end(),
                                   [&](const auto& f) { return f.id == fileId; });
    const auto object = file == transfer->files.end()
                            ? std::nullopt
                            : store_.head(Accounts::bucketFor(transfer->workspaceId),
                                          UploadStore::objectKey(transfer->workspaceId, fileId));
    auto reader = object ? ObjectReader::open(*object) : nullptr;
    if (!reader) {
        HttpUtil::sendHtml(
            res, 404, HtmlPage::message("Not found", "This file is not part of the transfer."));
        return;
    }
    if (startsDownload(req))
        transfers_.countDownload(transfer->id, grant->email);

    res.set_header("Content-Disposition", contentDisposition(file->filename));
    res.set_header("Cache-Control", "no-store");
    const auto contentType =
        object->contentType.empty() ? "application/octet-stream" : object->contentType;
    // Streamed in slices straight from the object's files, never loaded whole.
    res.set_content_provider(
        std::size_t(object->size), contentType,
        [reader](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            return reader->provide(offset, length, sink);
        });
}

} // namespace devservice
