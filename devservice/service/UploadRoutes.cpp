#include "service/UploadRoutes.h"

#include "service/Accounts.h"
#include "service/HttpUtil.h"
#include "storage/SigV4.h"

#include <httplib.h>

#include <set>

namespace devservice {

namespace {

const std::string workspacePath = R"(/api/v1/workspaces/([^/]+)/uploads)";

bool hasControlCharacters(const std::string& text) {
    for (const unsigned char c : text)
        if (c < 0x20 || c == 0x7f)
            return true;
    return false;
}

bool isPreviewKind(const std::string& kind) {
    return kind == "preview" || kind == "thumbnail";
}

// Reads an optional string member; false (with an error recorded) for another JSON type.
bool optionalString(const Json& body, const char* name, std::optional<std::string>& out,
                    FieldErrors& errors) {
    const auto it = body.find(name);
    if (it == body.end() || it->is_null())
        return true;
    if (!it->is_string()) {
        errors[name].push_back(std::string(name) + " must be a string.");
        return false;
    }
    out = it->get<std::string>();
    return true;
}

} // namespace

void UploadRoutes::registerRoutes(httplib::Server& server) {
    server.Post(workspacePath + "/sign",
                HttpUtil::readingBody([this](const auto& req, auto& res) { sign(req, res); }));
    server.Post(workspacePath + "/([^/]+)/complete",
                HttpUtil::readingBody([this](const auto& req, auto& res) { complete(req, res); }));
    server.Post(
        workspacePath + "/([^/]+)/previews",
        HttpUtil::readingBody([this](const auto& req, auto& res) { signPreview(req, res); }));
    server.Post(
        workspacePath + "/([^/]+)/previews/([^/]+)/complete",
        HttpUtil::readingBody([this](const auto& req, auto& res) { completePreview(req, res); }));
}

std::string UploadRoutes::presign(const std::string& method, const std::string& workspaceId,
                                  const std::string& key,
                                  const std::vector<std::pair<std::string, std::string>>& query) {
    const auto bucket = Accounts::bucketFor(workspaceId);
    store_.ensureBucket(bucket);
    return SigV4::presign(settings_.credentials, method, settings_.publicUrl, bucket, key, query,
                          settings_.presignExpiry, std::chrono::system_clock::now());
}

void UploadRoutes::sign(const httplib::Request& req, httplib::Response& res) {
    const std::string workspaceId = req.matches[1];
    if (!guard_.member(req, res, workspaceId))
        return;
    const auto body = HttpUtil::jsonObjectBody(req, res);
    if (!body)
        return;

    FieldErrors errors;
    std::optional<std::string> method, key, uploadId, contentType;
    optionalString(*body, "method", method, errors);
    optionalString(*body, "key", key, errors);
    optionalString(*body, "uploadId", uploadId, errors);
    optionalString(*body, "contentType", contentType, errors);
    std::optional<std::int64_t> partNumber;
    if (const auto it = body->find("partNumber"); it != body->end() && !it->is_null()) {
        if (it->is_number_integer() && it->get<std::int64_t>() >= 1 &&
            it->get<std::int64_t>() <= 10000)
            partNumber = it->get<std::int64_t>();
        else
            errors["partNumber"].push_back("partNumber must be a whole number from 1 to 10000.");
    }
    static const std::set<std::string> methods = {"GET", "HEAD", "PUT", "POST", "DELETE"};
    if (!errors.count("method") && (!method || !methods.count(*method)))
        errors["method"].push_back("method must be one of GET, HEAD, PUT, POST or DELETE.");
    if (!errors.count("key") &&
        (!key || key->empty() || key->size() > 1024 || hasControlCharacters(*key)))
        errors["key"].push_back("key must be a non-empty text of at most 1024 bytes.");
    if (uploadId && uploadId->empty())
        errors["uploadId"].push_back("uploadId cannot be empty.");
    if (contentType && (contentType->size() > 255 || hasControlCharacters(*contentType)))
        errors["contentType"].push_back("contentType is not a valid content type.");
    if (partNumber && (method != "PUT" || !uploadId))
        errors["partNumber"].push_back("partNumber is only for a part upload (PUT with uploadId).");
    if (!errors.empty()) {
        HttpUtil::sendFieldErrors(res, errors);
        return;
    }

    Json signedRequest;
    if (*method == "POST" && !uploadId) {
        // Starting a multipart upload: the key names the file; the service picks the object key.
        const auto id = uploads_.create(workspaceId, *key, contentType);
        const auto objectKey = UploadStore::objectKey(workspaceId, id);
        signedRequest = {{"url", presign("POST", workspaceId, objectKey, {{"uploads", ""}})},
                         {"key", objectKey}};
    } else {
        const auto prefix = workspaceId + "/";
        const auto id = key->rfind(prefix, 0) == 0 ? key->substr(prefix.size()) : std::string();
        if (id.empty() || !uploads_.find(workspaceId, id)) {
            HttpUtil::sendMessage(res, 404, "No such upload in this workspace.");
            return;
        }
        std::vector<std::pair<std::string, std::string>> query;
        if (partNumber)
            query.emplace_back("partNumber", std::to_string(*partNumber));
        if (uploadId)
            query.emplace_back("uploadId", *uploadId);
        signedRequest = {{"url", presign(*method, workspaceId, *key, query)}, {"key", *key}};
    }
    if (contentType && (*method == "POST" || *method == "PUT"))
        signedRequest["headers"] = {{"Content-Type", *contentType}};
    HttpUtil::sendJson(res, 200, signedRequest);
}

void UploadRoutes::complete(const httplib::Request& req, httplib::Response& res) {
    const std::string workspaceId = req.matches[1];
    const std::string uploadId = req.matches[2];
    if (!guard_.member(req, res, workspaceId))
        return;
    const auto upload = uploads_.find(workspaceId, uploadId);
    if (!upload) {
        HttpUtil::sendMessage(res, 404, "No such upload in this workspace.");
        return;
    }
    const auto object = store_.head(Accounts::bucketFor(workspaceId),
                                    UploadStore::objectKey(workspaceId, uploadId));
    if (!object) {
        HttpUtil::sendMessage(res, 409, "The upload is not complete in storage yet.");
        return;
    }
    uploads_.confirm(uploadId, object->size);
    HttpUtil::sendJson(
        res, 200, Json{{"id", uploadId}, {"filename", upload->filename}, {"size", object->size}});
}

void UploadRoutes::signPreview(const httplib::Request& req, httplib::Response& res) {
    const std::string workspaceId = req.matches[1];
    const std::string uploadId = req.matches[2];
    if (!guard_.member(req, res, workspaceId))
        return;
    const auto body = HttpUtil::jsonObjectBody(req, res);
    if (!body)
        return;
    if (!uploads_.find(workspaceId, uploadId)) {
        HttpUtil::sendMessage(res, 404, "No such upload in this workspace.");
        return;
    }
    FieldErrors errors;
    std::optional<std::string> kind, contentType;
    optionalString(*body, "kind", kind, errors);
    optionalString(*body, "contentType", contentType, errors);
    if (!errors.count("kind") && (!kind || !isPreviewKind(*kind)))
        errors["kind"].push_back("kind must be \"preview\" or \"thumbnail\".");
    if (!errors.count("contentType") && contentType != "image/jpeg")
        errors["contentType"].push_back("contentType must be \"image/jpeg\".");
    if (!errors.empty()) {
        HttpUtil::sendFieldErrors(res, errors);
        return;
    }
    const auto key = UploadStore::previewKey(workspaceId, uploadId, *kind);
    HttpUtil::sendJson(res, 200,
                       Json{{"url", presign("PUT", workspaceId, key, {})},
                            {"headers", {{"Content-Type", "image/jpeg"}}},
                            {"key", key}});
}

void UploadRoutes::completePreview(const httplib::Request& req, httplib::Response& res) {
    const std::string workspaceId = req.matches[1];
    const std::string uploadId = req.matches[2];
    const std::string kind = req.matches[3];
    if (!guard_.member(req, res, workspaceId))
        return;
    if (!uploads_.find(workspaceId, uploadId) || !isPreviewKind(kind)) {
        HttpUtil::sendMessage(res, 404, "No such preview in this workspace.");
        return;
    }
    if (!store_.head(Accounts::bucketFor(workspaceId),
                     UploadStore::previewKey(workspaceId, uploadId, kind))) {
        HttpUtil::sendMessage(res, 409, "The preview is not in storage yet.");
        return;
    }
    uploads_.completePreview(uploadId, kind);
    HttpUtil::sendJson(res, 200, Json::object());
}

} // namespace devservice
