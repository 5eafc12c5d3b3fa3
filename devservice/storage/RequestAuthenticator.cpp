#include "RequestAuthenticator.h"

#include "Crypto.h"
#include "SigV4.h"

#include <httplib.h>

#include <algorithm>
#include <charconv>
#include <ctime>

namespace devservice {

namespace {

using Clock = std::chrono::system_clock;

std::optional<Clock::time_point> parseAmzDate(const std::string& text) {
    if (text.size() != 16 || text[8] != 'T' || text[15] != 'Z')
        return std::nullopt;
    std::tm utc{};
    const char* end = strptime(text.c_str(), "%Y%m%dT%H%M%SZ", &utc);
    if (!end || *end != '\0')
        return std::nullopt;
    return Clock::from_time_t(timegm(&utc));
}

std::string trimValue(std::string_view value) {
    // Trimmed, with inner runs of spaces folded to one, as the canonical form requires.
    std::string out;
    bool space = false;
    for (char c : value) {
        if (c == ' ' || c == '\t') {
            space = !out.empty();
            continue;
        }
        if (space)
            out += ' ';
        space = false;
        out += c;
    }
    return out;
}

std::vector<std::string> split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = std::min(text.find(separator, start), text.size());
        parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

S3Error malformedQuery(std::string message) {
    return {400, "AuthorizationQueryParametersError", std::move(message)};
}

S3Error malformedHeader(std::string message) {
    return {400, "AuthorizationHeaderMalformed", std::move(message)};
}

} // namespace

RequestAuthenticator::RequestAuthenticator(S3Credentials credentials)
    : m_credentials(std::move(credentials)) {}

RequestAuthenticator::Result RequestAuthenticator::check(const httplib::Request& request,
                                                         const StorageRequest& target,
                                                         Clock::time_point now) const {
    const bool presigned = target.has("X-Amz-Signature") || target.has("X-Amz-Algorithm");
    const bool header = request.has_header("Authorization");
    if (presigned && header)
        return S3Error::invalidArgument(
            "Only one auth mechanism allowed; only the X-Amz-Algorithm query parameter or the "
            "Authorization header may be specified");
    if (presigned)
        return checkPresigned(request, target, now);
    if (header)
        return checkHeader(request, target, now);
    return S3Error::accessDenied();
}

std::optional<S3Error> RequestAuthenticator::checkCredential(const std::string& text,
                                                             Credential& out) const {
    const auto parts = split(text, '/');
    if (parts.size() != 5 || parts[3] != "s3" || parts[4] != "aws4_request" || parts[1].size() != 8)
        return malformedQuery("Error parsing the X-Amz-Credential parameter.");
    if (parts[0] != m_credentials.accessKey)
        return S3Error{403, "InvalidAccessKeyId",
                       "The AWS Access Key Id you provided does not exist in our records."};
    if (parts[2] != m_credentials.region)
        return malformedQuery("the region '" + parts[2] + "' is wrong; expecting '" +
                              m_credentials.region + "'");
    out = {parts[0], parts[1], parts[2]};
    return std::nullopt;
}

bool RequestAuthenticator::signatureMatches(
    const httplib::Request& request, const StorageRequest& target, const std::string& signedHeaders,
    const std::string& payloadHash, const std::string& amzDate, const Credential& credential,
    bool presigned, const std::string& signature) const {
    std::string canonicalHeaders;
    for (const std::string& name : split(signedHeaders, ';')) {
        const std::size_t count = request.get_header_value_count(name);
        if (name.empty() || count == 0)
            return false;
        std::string values;
        for (std::size_t i = 0; i < count; ++i) {
            if (i > 0)
                values += ',';
            values += trimValue(request.get_header_value(name, i));
        }
        canonicalHeaders += name + ":" + values + "\n";
    }
    SigV4::Query query;
    for (const auto& pair : target.query) {
        if (!presigned || pair.first != "X-Amz-Signature")
            query.push_back(pair);
    }
    const std::string canonical = SigV4::canonicalRequest(
        request.method, SigV4::uriEncode(target.path, true), SigV4::canonicalQuery(query),
        canonicalHeaders, signedHeaders, payloadHash);
    const std::string expected = SigV4::signature(
        SigV4::signingKey(m_credentials.secretKey, credential.date, credential.region),
        SigV4::stringToSign(amzDate, SigV4::scope(credential.date, credential.region), canonical));
    return Crypto::constantTimeEquals(expected, signature);
}

RequestAuthenticator::Result RequestAuthenticator::checkPresigned(const httplib::Request& request,
                                                                  const StorageRequest& target,
                                                                  Clock::time_point now) const {
    if (target.value("X-Amz-Algorithm") != SigV4::algorithm)
        return malformedQuery("X-Amz-Algorithm only supports \"AWS4-HMAC-SHA256\"");
    for (const char* name : {"X-Amz-Credential", "X-Amz-Date", "X-Amz-Expires",
                             "X-Amz-SignedHeaders", "X-Amz-Signature"}) {
        if (!target.has(name))
            return malformedQuery(std::string("Query-string authentication version 4 requires "
                                              "the X-Amz-Algorithm, X-Amz-Credential, "
                                              "X-Amz-Signature, X-Amz-Date, X-Amz-SignedHeaders, "
                                              "and X-Amz-Expires parameters."));
    }
    Credential credential;
    if (auto error = checkCredential(target.value("X-Amz-Credential"), credential))
        return *error;
    const std::string amzDate = target.value("X-Amz-Date");
    const auto signedAt = parseAmzDate(amzDate);
    if (!signedAt || amzDate.substr(0, 8) != credential.date)
        return malformedQuery("X-Amz-Date must be in the ISO8601 Long Format "
                              "\"yyyyMMdd'T'HHmmss'Z'\" and match the credential's date");
    const std::string expiresText = target.value("X-Amz-Expires");
    long long expires = -1;
    const auto [end, error] =
        std::from_chars(expiresText.data(), expiresText.data() + expiresText.size(), expires);
    if (error != std::errc() || end != expiresText.data() + expiresText.size() || expires < 0)
        return malformedQuery("X-Amz-Expires should be a number");
    if (expires > maxPresignExpiry.count())
        return malformedQuery("X-Amz-Expires must be less than a week (in seconds) that is; the "
                              "maximum expires is 604800 seconds");
    const std::string signedHeaders = target.value("X-Amz-SignedHeaders");
    const auto names = split(signedHeaders, ';');
    if (std::find(names.begin(), names.end(), "host") == names.end())
        return S3Error::accessDenied("There were headers present in the request which were not "
                                     "signed: host");
    const std::string payloadHash = target.has("X-Amz-Content-Sha256")
                                        ? target.value("X-Amz-Content-Sha256")
                                        : std::string(SigV4::unsignedPayload);
    if (!signatureMatches(request, target, signedHeaders, payloadHash, amzDate, credential, true,
                          target.value("X-Amz-Signature")))
        return S3Error::signatureMismatch();
    // Checked after the signature, so an expiry cannot be stretched by editing the URL.
    if (now > *signedAt + std::chrono::seconds(expires))
        return S3Error::accessDenied("Request has expired");
    if (*signedAt > now + allowedClockSkew)
        return S3Error::accessDenied("Request is not yet valid");
    return Accepted{payloadHash};
}

RequestAuthenticator::Result RequestAuthenticator::checkHeader(const httplib::Request& request,
                                                               const StorageRequest& target,
                                                               Clock::time_point now) const {
    const std::string header = request.get_header_value("Authorization");
    const std::string prefix = std::string(SigV4::algorithm) + " ";
    if (!header.starts_with(prefix))
        return S3Error{400, "InvalidArgument", "Unsupported Authorization Type"};
    std::string credentialText, signedHeaders, signature;
    for (std::string field : split(std::string_view(header).substr(prefix.size()), ',')) {
        field = trimValue(field);
        if (field.starts_with("Credential="))
            credentialText = field.substr(11);
        else if (field.starts_with("SignedHeaders="))
            signedHeaders = field.substr(14);
        else if (field.starts_with("Signature="))
            signature = field.substr(10);
    }
    if (credentialText.empty() || signedHeaders.empty() || signature.empty())
        return malformedHeader("The authorization header is malformed; it must contain "
                               "Credential, SignedHeaders and Signature.");
    Credential credential;
    if (auto error = checkCredential(credentialText, credential)) {
        if (error->status == 400)
            return malformedHeader("The authorization header is malformed; " + error->message);
        return *error;
    }
    const std::string amzDate =
        request.has_header("x-amz-date") ? request.get_header_value("x-amz-date") : std::string();
    const auto signedAt = parseAmzDate(amzDate);
    if (!signedAt)
        return S3Error::accessDenied("AWS authentication requires a valid Date or x-amz-date "
                                     "header");
    if (!request.has_header("x-amz-content-sha256"))
        return S3Error{400, "InvalidRequest",
                       "Missing required header for this request: x-amz-content-sha256"};
    const std::string payloadHash = request.get_header_value("x-amz-content-sha256");
    const auto names = split(signedHeaders, ';');
    if (std::find(names.begin(), names.end(), "host") == names.end())
        return S3Error::accessDenied("There were headers present in the request which were not "
                                     "signed: host");
    if (!signatureMatches(request, target, signedHeaders, payloadHash, amzDate, credential, false,
                          signature))
        return S3Error::signatureMismatch();
    if (*signedAt > now + allowedClockSkew || *signedAt < now - allowedClockSkew)
        return S3Error{403, "RequestTimeTooSkewed",
                       "The difference between the request time and the current time is too "
                       "large."};
    return Accepted{payloadHash};
}

} // namespace devservice
