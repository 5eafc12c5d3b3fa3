#pragma once

#include "S3Credentials.h"

#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace devservice {

// AWS Signature Version 4 for the "s3" service: signing presigned URLs and the building blocks
// that request verification shares with it.
class SigV4 {
public:
    using Query = std::vector<std::pair<std::string, std::string>>;

    static constexpr std::string_view algorithm = "AWS4-HMAC-SHA256";
    static constexpr std::string_view unsignedPayload = "UNSIGNED-PAYLOAD";

    // A full presigned URL for path-style publicBaseUrl/bucket/key?query, signing only the host
    // header and an unsigned payload.
    static std::string presign(const S3Credentials& credentials, const std::string& method,
                               const std::string& publicBaseUrl, const std::string& bucket,
                               const std::string& key, const Query& query,
                               std::chrono::seconds expires,
                               std::chrono::system_clock::time_point now);

    // Percent-encodes everything but A-Z a-z 0-9 - . _ ~ (and '/' when keepSlash).
    static std::string uriEncode(std::string_view text, bool keepSlash);
    // Sorted "k=v&..." with both sides URI-encoded.
    static std::string canonicalQuery(const Query& query);
    static std::string canonicalRequest(std::string_view method, std::string_view canonicalUri,
                                        std::string_view canonicalQuery,
                                        std::string_view canonicalHeaders,
                                        std::string_view signedHeaders,
                                        std::string_view payloadHash);
    // "yyyymmdd/region/s3/aws4_request"
    static std::string scope(std::string_view date, std::string_view region);
    static std::string stringToSign(std::string_view amzDate, std::string_view scope,
                                    std::string_view canonicalRequest);
    // The signing key for one day: HMAC chain over date, region, "s3", "aws4_request".
    static std::string signingKey(std::string_view secretKey, std::string_view date,
                                  std::string_view region, std::string_view service = "s3");
    // Lower-case hex HMAC-SHA256 of stringToSign with the key.
    static std::string signature(std::string_view signingKey, std::string_view stringToSign);
    // "yyyymmddThhmmssZ"
    static std::string amzDate(std::chrono::system_clock::time_point time);
};

} // namespace devservice
