#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace devservice {

// Everything the command line can set. The client id and redirect URI match the application's
// built-in Info.json, so a client pointed here with --service signs in without more setup.
struct ServiceOptions {
    std::string listenHost = "127.0.0.1";
    int listenPort = 8750;
    std::filesystem::path dataDir = "devservice-data";
    std::string publicUrl; // empty: http://<listen address>
    std::chrono::seconds accessTokenLifetime{3600};
    std::chrono::seconds authCodeLifetime{60};
    std::chrono::seconds presignExpiry{900};
    std::int64_t minPartSize = 5242880;
    // Multipart uploads without a request for this long are aborted, like a storage lifecycle
    // rule.
    std::chrono::seconds abandonedUploadAge{7 * 24 * 3600};
    std::string clientId = "5d0c7a52-9f3e-4b8e-a1d4-2c6f0e9b7a31";
    std::string redirectUri = "parcella://oauth/callback";
    std::string s3AccessKey = "parcella-dev";
    std::string s3SecretKey = "parcella-dev-secret";
    std::string region = "us-east-1";
    std::string adminToken; // empty: no admin endpoints
    bool allowRemote = false;
    bool showHelp = false;

    // Throws std::invalid_argument with a message fit for the user.
    static ServiceOptions parse(const std::vector<std::string>& arguments);
    static std::string usage();

    bool isLoopbackHost() const;
};

} // namespace devservice
