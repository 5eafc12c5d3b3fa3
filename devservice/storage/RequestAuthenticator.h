#pragma once

#include "S3Credentials.h"
#include "S3Error.h"
#include "StorageRequest.h"

#include <chrono>
#include <optional>
#include <string>
#include <variant>

namespace httplib {
struct Request;
}

namespace devservice {

// Checks the AWS Signature Version 4 of a storage request, in either form: a presigned query
// string (whose expiry is enforced) or an Authorization header.
class RequestAuthenticator {
public:
    // What the signature says about the body that is still to be read.
    struct Accepted {
        // "UNSIGNED-PAYLOAD", a lower-case SHA-256 hex digest the body must match, or one of the
        // "STREAMING-..." markers of an aws-chunked body.
        std::string payloadHash;
    };
    using Result = std::variant<Accepted, S3Error>;

    static constexpr std::chrono::minutes allowedClockSkew{15};
    static constexpr std::chrono::seconds maxPresignExpiry{604800};

    explicit RequestAuthenticator(S3Credentials credentials);

    Result check(const httplib::Request& request, const StorageRequest& target,
                 std::chrono::system_clock::time_point now) const;

private:
    struct Credential {
        std::string accessKey, date, region;
    };

    Result checkPresigned(const httplib::Request& request, const StorageRequest& target,
                          std::chrono::system_clock::time_point now) const;
    Result checkHeader(const httplib::Request& request, const StorageRequest& target,
                       std::chrono::system_clock::time_point now) const;
    std::optional<S3Error> checkCredential(const std::string& text, Credential& out) const;
    // Compares against the signature computed over the given pieces.
    bool signatureMatches(const httplib::Request& request, const StorageRequest& target,
                          const std::string& signedHeaders, const std::string& payloadHash,
                          const std::string& amzDate, const Credential& credential, bool presigned,
                          const std::string& signature) const;

    S3Credentials m_credentials;
};

} // namespace devservice
