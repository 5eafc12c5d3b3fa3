#include "StorageCall.h"

#include "AwsChunkedDecoder.h"
#include "ConnectionSocket.h"
#include "Crypto.h"
#include "HashingFileWriter.h"
#include "S3Xml.h"
#include "SigV4.h"

#include <httplib.h>
#include <openssl/evp.h>

#include <algorithm>
#include <memory>

namespace devservice {

namespace {

// Bodies up to this size are read and thrown away before an early error answer, so the
// connection stays usable; larger ones get the answer with the connection closed.
constexpr std::int64_t discardLimit = 1 << 20;

constexpr std::string_view unsignedStreamingPayload = "STREAMING-UNSIGNED-PAYLOAD-TRAILER";

bool isHexDigest(const std::string& text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

struct DigestDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

} // namespace

StorageCall::StorageCall(const httplib::Request& request, httplib::Response& response,
                         const httplib::ContentReader* reader, StorageRequest target,
                         RequestCounters& counters)
    : m_request(request), m_response(response), m_target(std::move(target)), m_counters(counters),
      m_requestId(Crypto::randomHex(8)) {
    if (reader)
        m_body.emplace(request, *reader,
                       [&counters](std::int64_t bytes) { counters.addBytesReceived(bytes); });
    m_response.set_header("x-amz-request-id", m_requestId);
}

std::optional<S3Error> StorageCall::outcomeError(RequestBody::Outcome outcome) {
    m_bodyRead = true;
    // Whatever of the body is left unread would be taken for the next request.
    if (outcome != RequestBody::Outcome::Complete)
        m_response.set_header("Connection", "close");
    switch (outcome) {
    case RequestBody::Outcome::Complete:
        return std::nullopt;
    case RequestBody::Outcome::SinkRefused:
        return S3Error{400, "EntityTooLarge",
                       "Your proposed upload exceeds the maximum allowed object size."};
    case RequestBody::Outcome::Stopped:
    case RequestBody::Outcome::ClientGone:
        break;
    }
    return S3Error{400, "IncompleteBody",
                   "You did not provide the number of bytes specified by the Content-Length "
                   "HTTP header."};
}

std::optional<S3Error> StorageCall::checkPayloadHash(const std::string& sha256) const {
    if (isHexDigest(m_payloadHash) && Crypto::hex(sha256) != m_payloadHash)
        return S3Error{400, "XAmzContentSHA256Mismatch",
                       "The provided 'x-amz-content-sha256' header does not match what was "
                       "computed."};
    return std::nullopt;
}

std::optional<S3Error> StorageCall::receive(HashingFileWriter& writer) {
    const bool awsChunked = m_payloadHash == unsignedStreamingPayload;
    if (m_payloadHash.starts_with("STREAMING-") && !awsChunked)
        return S3Error{501, "NotImplemented",
                       "Signed aws-chunked payloads are not supported; sign the whole payload, "
                       "send it unsigned or as STREAMING-UNSIGNED-PAYLOAD-TRAILER."};
    if (!awsChunked && m_payloadHash != SigV4::unsignedPayload && !isHexDigest(m_payloadHash))
        return S3Error::invalidArgument("x-amz-content-sha256 must be UNSIGNED-PAYLOAD or a "
                                        "valid sha256 value.");
    const auto declared = m_request.get_header_value<std::uint64_t>("Content-Length");
    if (declared > static_cast<std::uint64_t>(maxObjectSize))
        return S3Error{400, "EntityTooLarge",
                       "Your proposed upload exceeds the maximum allowed object size."};

    std::unique_ptr<EVP_MD_CTX, DigestDeleter> sha(isHexDigest(m_payloadHash) ? EVP_MD_CTX_new()
                                                                              : nullptr);
    if (sha)
        EVP_DigestInit_ex(sha.get(), EVP_sha256(), nullptr);
    bool diskFailed = false;
    const RequestBody::Sink store = [&](std::string_view chunk) {
        if (sha)
            EVP_DigestUpdate(sha.get(), chunk.data(), chunk.size());
        if (!writer.write(chunk)) {
            diskFailed = true;
            return false;
        }
        return writer.size() <= maxObjectSize;
    };
    AwsChunkedDecoder decoder;
    const RequestBody::Outcome outcome =
        awsChunked ? m_body->read([&](std::string_view raw) { return decoder.feed(raw, store); })
                   : m_body->read(store);
    if (diskFailed)
        return S3Error::internal();
    if (awsChunked && writer.size() <= maxObjectSize &&
        (!decoder.finished() ||
         (m_request.has_header("X-Amz-Decoded-Content-Length") &&
          m_request.get_header_value<std::uint64_t>("X-Amz-Decoded-Content-Length") !=
              static_cast<std::uint64_t>(decoder.decodedSize())))) {
        outcomeError(outcome);
        return S3Error{400, "IncompleteBody",
                       "The aws-chunked body is malformed or shorter than announced."};
    }
    if (auto error = outcomeError(outcome))
        return error;
    if (!writer.finish())
        return S3Error::internal();
    if (sha) {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_DigestFinal_ex(sha.get(), digest, &length);
        if (auto error = checkPayloadHash(std::string(reinterpret_cast<char*>(digest), length)))
            return error;
    }
    if (m_request.has_header("Content-MD5")) {
        const std::string expected =
            Crypto::base64Decode(m_request.get_header_value("Content-MD5"));
        if (expected.size() != 16)
            return S3Error{400, "InvalidDigest", "The Content-MD5 you specified is not valid."};
        if (expected != writer.md5())
            return S3Error{400, "BadDigest",
                           "The Content-MD5 you specified did not match what we received."};
    }
    return std::nullopt;
}

std::optional<S3Error> StorageCall::receiveSmall(std::string& out, std::size_t limit) {
    if (m_payloadHash != SigV4::unsignedPayload && !isHexDigest(m_payloadHash))
        return S3Error::invalidArgument("x-amz-content-sha256 must be UNSIGNED-PAYLOAD or a "
                                        "valid sha256 value.");
    const auto tooLong = S3Error{400, "MaxMessageLengthExceeded", "Your request was too big."};
    if (m_request.get_header_value<std::uint64_t>("Content-Length") > limit)
        return tooLong;
    out.clear();
    if (!m_body)
        return std::nullopt;
    const RequestBody::Outcome outcome = m_body->read([&](std::string_view chunk) {
        if (out.size() + chunk.size() > limit)
            return false;
        out.append(chunk);
        return true;
    });
    if (outcome == RequestBody::Outcome::SinkRefused) {
        outcomeError(outcome);
        return tooLong;
    }
    if (auto error = outcomeError(outcome))
        return error;
    return checkPayloadHash(Crypto::sha256(out));
}

void StorageCall::dropConnection(std::int64_t afterBytes) {
    if (m_body) {
        m_body->read([](std::string_view) { return true; }, afterBytes);
    }
    m_bodyRead = true;
    const int fd = ConnectionSocket::find(m_request);
    if (fd >= 0) {
        ConnectionSocket::reset(fd);
        return;
    }
    // Should the socket not be found, the client still must not see a success.
    m_response.set_header("Connection", "close");
    sendXml(503, S3Xml::error("SlowDown", "Injected fault", m_target.path, m_requestId));
}

void StorageCall::fail(const S3Error& error) {
    if (m_body && !m_bodyRead) {
        const bool chunked = m_request.has_header("Transfer-Encoding");
        const auto length = m_request.get_header_value<std::uint64_t>("Content-Length");
        if (!chunked && length > 0 && length <= discardLimit) {
            m_body->discard();
        } else if (chunked || length > 0) {
            m_response.set_header("Connection", "close");
        }
        m_bodyRead = true;
    }
    sendXml(error.status, S3Xml::error(error.code, error.message, m_target.path, m_requestId));
}

void StorageCall::sendXml(int status, std::string body) {
    m_response.status = status;
    m_response.set_content(std::move(body), "application/xml");
}

} // namespace devservice
