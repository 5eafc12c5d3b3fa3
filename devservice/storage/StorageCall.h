#pragma once

#include "RequestBody.h"
#include "RequestCounters.h"
#include "S3Error.h"
#include "StorageRequest.h"

#include <cstdint>
#include <optional>
#include <string>

namespace httplib {
struct Request;
struct Response;
class ContentReader;
} // namespace httplib

namespace devservice {

class HashingFileWriter;

// One storage request being answered: its target, its body and the answer being built.
class StorageCall {
public:
    static constexpr std::int64_t maxObjectSize = 5LL << 30;

    StorageCall(const httplib::Request& request, httplib::Response& response,
                const httplib::ContentReader* reader, StorageRequest target,
                RequestCounters& counters);

    const httplib::Request& request() const { return m_request; }
    httplib::Response& response() { return m_response; }
    const StorageRequest& target() const { return m_target; }
    const std::string& requestId() const { return m_requestId; }

    // What the signature promised about the body (a SHA-256 digest or an unsigned marker).
    void setPayloadHash(std::string hash) { m_payloadHash = std::move(hash); }

    // Streams the body into the writer and checks it against the signed digest and any
    // Content-MD5; nullopt when it arrived whole and intact.
    std::optional<S3Error> receive(HashingFileWriter& writer);
    // A small body (an XML document) kept in memory, refused above `limit` bytes.
    std::optional<S3Error> receiveSmall(std::string& out, std::size_t limit);
    // Resets the connection without an answer once that many body bytes have arrived (or the
    // body ended).
    void dropConnection(std::int64_t afterBytes);

    void fail(const S3Error& error);
    void sendXml(int status, std::string body);

private:
    std::optional<S3Error> checkPayloadHash(const std::string& sha256) const;
    std::optional<S3Error> outcomeError(RequestBody::Outcome outcome);

    const httplib::Request& m_request;
    httplib::Response& m_response;
    std::optional<RequestBody> m_body;
    StorageRequest m_target;
    RequestCounters& m_counters;
    std::string m_requestId;
    std::string m_payloadHash;
    bool m_bodyRead = false;
};

} // namespace devservice
