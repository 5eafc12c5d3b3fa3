#pragma once

#include "service/ApiGuard.h"
#include "service/UploadStore.h"
#include "storage/ObjectStore.h"
#include "storage/S3Credentials.h"

#include <chrono>
#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace devservice {

// Presigning storage requests for a workspace's uploads, confirming finished objects, and the
// preview renditions of an upload.
class UploadRoutes {
public:
    struct Settings {
        S3Credentials credentials;
        std::string publicUrl;
        std::chrono::seconds presignExpiry;
    };

    UploadRoutes(const ApiGuard& guard, UploadStore& uploads, ObjectStore& store, Settings settings)
        : guard_(guard), uploads_(uploads), store_(store), settings_(std::move(settings)) {}

    void registerRoutes(httplib::Server& server);

private:
    void sign(const httplib::Request& req, httplib::Response& res);
    void complete(const httplib::Request& req, httplib::Response& res);
    void signPreview(const httplib::Request& req, httplib::Response& res);
    void completePreview(const httplib::Request& req, httplib::Response& res);

    std::string presign(const std::string& method, const std::string& workspaceId,
                        const std::string& key,
                        const std::vector<std::pair<std::string, std::string>>& query);

    const ApiGuard& guard_;
    UploadStore& uploads_;
    ObjectStore& store_;
    Settings settings_;
};

} // namespace devservice
