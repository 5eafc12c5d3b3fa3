#include "SigV4.h"

#include "Crypto.h"

#include <algorithm>
#include <ctime>
#include <stdexcept>

namespace devservice {

namespace {

// Splits "scheme://authority/base" into the part before the path and the authority.
struct BaseUrl {
    std::string origin;    // scheme://authority
    std::string authority; // host[:port], the value of the Host header
    std::string basePath;  // "" or "/prefix" without a trailing slash
};

BaseUrl parseBaseUrl(const std::string& url) {
    const auto schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos)
        throw std::invalid_argument("public URL without scheme: " + url);
    const auto pathStart = url.find('/', schemeEnd + 3);
    BaseUrl base;
    base.origin = url.substr(0, pathStart);
    base.authority = base.origin.substr(schemeEnd + 3);
    if (pathStart != std::string::npos) {
        base.basePath = url.substr(pathStart);
        while (!base.basePath.empty() && base.basePath.back() == '/')
            base.basePath.pop_back();
    }
    return base;
}

} // namespace

std::string SigV4::uriEncode(std::string_view text, bool keepSlash) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char c : text) {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~';
        if (unreserved || (keepSlash && c == '/')) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

std::string SigV4::canonicalQuery(const Query& query) {
    std::vector<std::pair<std::string, std::string>> encoded;
    encoded.reserve(query.size());
    for (const auto& [name, value] : query)
        encoded.emplace_back(uriEncode(name, false), uriEncode(value, false));
    std::sort(encoded.begin(), encoded.end());
    std::string out;
    for (const auto& [name, value] : encoded) {
        if (!out.empty())
            out += '&';
        out += name;
        out += '=';
        out += value;
    }
    return out;
}

std::string SigV4::canonicalRequest(std::string_view method, std::string_view canonicalUri,
                                    std::string_view canonicalQuery,
                                    std::string_view canonicalHeaders,
                                    std::string_view signedHeaders, std::string_view payloadHash) {
    std::string out;
    out.reserve(method.size() + canonicalUri.size() + canonicalQuery.size() +
                canonicalHeaders.size() + signedHeaders.size() + payloadHash.size() + 8);
    out.append(method).append("\n");
    out.append(canonicalUri).append("\n");
    out.append(canonicalQuery).append("\n");
    out.append(canonicalHeaders).append("\n");
    out.append(signedHeaders).append("\n");
    out.append(payloadHash);
    return out;
}

std::string SigV4::scope(std::string_view date, std::string_view region) {
    return std::string(date) + "/" + std::string(region) + "/s3/aws4_request";
}

std::string SigV4::stringToSign(std::string_view amzDate, std::string_view scope,
                                std::string_view canonicalRequest) {
    return std::string(algorithm) + "\n" + std::string(amzDate) + "\n" + std::string(scope) + "\n" +
           Crypto::hex(Crypto::sha256(canonicalRequest));
}

std::string SigV4::signingKey(std::string_view secretKey, std::string_view date,
                              std::string_view region, std::string_view service) {
    const std::string dateKey = Crypto::hmacSha256("AWS4" + std::string(secretKey), date);
    const std::string regionKey = Crypto::hmacSha256(dateKey, region);
    const std::string serviceKey = Crypto::hmacSha256(regionKey, service);
    return Crypto::hmacSha256(serviceKey, "aws4_request");
}

std::string SigV4::signature(std::string_view signingKey, std::string_view stringToSign) {
    return Crypto::hex(Crypto::hmacSha256(signingKey, stringToSign));
}

std::string SigV4::amzDate(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[17];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return text;
}

std::string SigV4::presign(const S3Credentials& credentials, const std::string& method,
                           const std::string& publicBaseUrl, const std::string& bucket,
                           const std::string& key, const Query& query, std::chrono::seconds expires,
                           std::chrono::system_clock::time_point now) {
    const BaseUrl base = parseBaseUrl(publicBaseUrl);
    const std::string path =
        base.basePath + "/" + uriEncode(bucket, false) + "/" + uriEncode(key, true);
    const std::string date = amzDate(now);
    const std::string credentialScope = scope(date.substr(0, 8), credentials.region);

    Query signedQuery = query;
    signedQuery.emplace_back("X-Amz-Algorithm", std::string(algorithm));
    signedQuery.emplace_back("X-Amz-Credential", credentials.accessKey + "/" + credentialScope);
    signedQuery.emplace_back("X-Amz-Date", date);
    signedQuery.emplace_back("X-Amz-Expires", std::to_string(expires.count()));
    signedQuery.emplace_back("X-Amz-SignedHeaders", "host");
    const std::string queryText = canonicalQuery(signedQuery);

    const std::string request = canonicalRequest(
        method, path, queryText, "host:" + base.authority + "\n", "host", unsignedPayload);
    const std::string key256 =
        signingKey(credentials.secretKey, date.substr(0, 8), credentials.region);
    const std::string signed_ = signature(key256, stringToSign(date, credentialScope, request));
    return base.origin + path + "?" + queryText + "&X-Amz-Signature=" + signed_;
}

} // namespace devservice
