#include "service/TransferRoutes.h"

#include "service/Clock.h"
#include "service/Secrets.h"

#include <httplib.h>

namespace devservice {

namespace {
const std::string transfersPath = R"(/api/v1/workspaces/([^/]+)/transfers)";
}

void TransferRoutes::registerRoutes(httplib::Server& server) {
    server.Get(transfersPath, [this](const auto& req, auto& res) { list(req, res); });
    server.Post(transfersPath,
                HttpUtil::readingBody([this](const auto& req, auto& res) { create(req, res); }));
    server.Get(transfersPath + "/([^/]+)", [this](const auto& req, auto& res) { get(req, res); });
    server.Patch(
        transfersPath + "/([^/]+)",
        HttpUtil::readingBody([this](const auto& req, auto& res) { changeExpiry(req, res); }));
    server.Delete(transfersPath + "/([^/]+)",
                  HttpUtil::readingBody([this](const auto& req, auto& res) { remove(req, res); }));
}

void TransferRoutes::sendTransfer(httplib::Response& res, int status,
                                  const std::string& transferId) {
    const auto transfer = transfers_.find(transferId);
    HttpUtil::sendJson(res, status, Json{{"data", TransferStore::toJson(*transfer, publicUrl_)}});
}

std::optional<TransferStore::Transfer> TransferRoutes::transferOf(const httplib::Request& req,
                                                                  httplib::Response& res) {
    const std::string workspaceId = req.matches[1];
    if (!guard_.member(req, res, workspaceId))
        return std::nullopt;
    auto transfer = transfers_.find(workspaceId, req.matches[2]);
    if (!transfer)
        HttpUtil::sendMessage(res, 404, "No such transfer.");
    return transfer;
}

void TransferRoutes::list(const httplib::Request& req, httplib::Response& res) {
    const std::string workspaceId = req.matches[1];
    if (!guard_.member(req, res, workspaceId))
        return;
    Json data = Json::array();
    for (const auto& transfer : transfers_.list(workspaceId))
        data.push_back(TransferStore::toJson(transfer, publicUrl_));
    HttpUtil::sendJson(res, 200, Json{{"data", data}});
}

void TransferRoutes::get(const httplib::Request& req, httplib::Response& res) {
    if (const auto transfer = transferOf(req, res))
        HttpUtil::sendJson(res, 200, Json{{"data", TransferStore::toJson(*transfer, publicUrl_)}});
}

void TransferRoutes::create(const httplib::Request& req, httplib::Response& res) {
    const std::string workspaceId = req.matches[1];
    const auto userId = guard_.member(req, res, workspaceId);
    if (!userId)
        return;
    const auto body = HttpUtil::jsonObjectBody(req, res);
    if (!body)
        return;
    auto parsed = NewTransfer::parse(*body, workspaceId, uploads_);
    if (const auto* errors = std::get_if<FieldErrors>(&parsed)) {
        HttpUtil::sendFieldErrors(res, *errors);
        return;
    }
    const auto& request = std::get<NewTransfer>(parsed);
    std::optional<std::string> passwordHash;
    if (request.password)
        passwordHash = Secrets::hashPassword(*request.password);
    const auto id = transfers_.create(workspaceId, *userId, request, passwordHash);
    const auto transfer = transfers_.find(id);
    if (transfer->delivery == "email") {
        const auto sender = accounts_.user(*userId);
        mailer_.sendTransfer(*transfer, sender ? sender->name : "Someone");
    }
    HttpUtil::sendJson(res, 201, Json{{"data", TransferStore::toJson(*transfer, publicUrl_)}});
}

void TransferRoutes::changeExpiry(const httplib::Request& req, httplib::Response& res) {
    const auto transfer = transferOf(req, res);
    if (!transfer)
        return;
    const auto body = HttpUtil::jsonObjectBody(req, res);
    if (!body)
        return;
    FieldErrors errors;
    const auto days = NewTransfer::expiresIn(*body, errors);
    if (!days) {
        HttpUtil::sendFieldErrors(res, errors);
        return;
    }
    if (transfer->revokedAt) {
        HttpUtil::sendMessage(res, 422, "This transfer was deleted.");
        return;
    }
    // The new lifetime counts from now, so a transfer can be extended or shortened alike.
    transfers_.setExpiry(transfer->id, Clock::nowMs() + *days * Clock::dayMs);
    sendTransfer(res, 200, transfer->id);
}

void TransferRoutes::remove(const httplib::Request& req, httplib::Response& res) {
    const auto transfer = transferOf(req, res);
    if (!transfer)
        return;
    transfers_.revoke(transfer->id);
    sendTransfer(res, 200, transfer->id);
}

} // namespace devservice
