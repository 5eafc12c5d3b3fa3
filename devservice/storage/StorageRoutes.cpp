#include "StorageRoutes.h"

#include "MultipartHandler.h"
#include "ObjectHandler.h"
#include "RequestAuthenticator.h"
#include "S3Xml.h"
#include "StorageCall.h"

#include <httplib.h>

#include <charconv>
#include <memory>
#include <thread>

namespace devservice {

namespace {

// First path segments that belong to the rest of the service, never to a bucket.
bool isReservedBucket(const std::string& bucket) {
    return bucket == "api" || bucket == "oauth" || bucket == "t" || bucket == "admin";
}

// What a request asks of the storage; also its name in the counters.
std::string kindOf(const std::string& method, const StorageRequest& target) {
    const bool object = !target.key.empty();
    const bool upload = target.has("uploadId");
    if (method == "POST")
        return !object                 ? "unsupported"
               : target.has("uploads") ? "create"
               : upload                ? "complete"
                                       : "unsupported";
    if (method == "PUT") {
        if (!object)
            return "createBucket";
        return target.has("partNumber") || upload ? "part" : "put";
    }
    if (method == "GET" || method == "HEAD") {
        if (!object)
            return method == "GET" ? "listObjects" : "headBucket";
        if (upload)
            return "list";
        return method == "GET" ? "get" : "head";
    }
    if (method == "DELETE")
        return !object ? "deleteBucket" : upload ? "abort" : "delete";
    return "unsupported";
}

std::string defaultCode(int status) {
    switch (status) {
    case 400:
        return "InvalidRequest";
    case 403:
        return "AccessDenied";
    case 404:
        return "NoSuchKey";
    case 408:
        return "RequestTimeout";
    case 409:
        return "OperationAborted";
    case 429:
    case 503:
        return "SlowDown";
    default:
        return "InternalError";
    }
}

class StorageRouter {
public:
    StorageRouter(ObjectStore& store, const S3Credentials& credentials, FaultInjector& faults,
                  RequestCounters& counters, MultipartUploads& uploads)
        : m_store(store), m_authenticator(credentials), m_faults(faults), m_counters(counters),
          m_objects(store), m_multipart(uploads) {}

    void handle(const httplib::Request& request, httplib::Response& response,
                const httplib::ContentReader* reader) {
        auto target = StorageRequest::parse(request.target);
        if (!target) {
            // Any body is left unread, so the connection cannot carry another request.
            response.set_header("Connection", "close");
            response.status = 400;
            response.set_content(
                S3Xml::error("InvalidURI", "Couldn't parse the specified URI.", request.path, ""),
                "application/xml");
            return;
        }
        StorageCall call(request, response, reader, std::move(*target), m_counters);
        const std::string kind = kindOf(request.method, call.target());
        m_counters.count(kind);
        if (kind == "part")
            countPart(call.target());
        if (applyFault(call))
            return;
        try {
            dispatch(call, kind);
        } catch (const std::exception&) {
            call.fail(S3Error::internal());
        }
    }

private:
    // Every attempt counts, also those a fault answers, so tests see what a client resent.
    void countPart(const StorageRequest& target) {
        const std::string text = target.value("partNumber");
        int number = 0;
        std::from_chars(text.data(), text.data() + text.size(), number);
        m_counters.countPart(target.value("uploadId"), number);
    }

    // True when the fault decided the answer.
    bool applyFault(StorageCall& call) {
        const auto fault = m_faults.take(call.request().method, call.request().path,
                                         StorageRequest::rawQuery(call.request().target));
        if (!fault)
            return false;
        if (fault->delay.count() > 0)
            std::this_thread::sleep_for(fault->delay);
        if (fault->dropAfterBytes) {
            // The request is never served: like a network failure mid-upload, nothing of it is
            // stored.
            call.dropConnection(*fault->dropAfterBytes);
            return true;
        }
        if (fault->status == 0)
            return false;
        call.fail({fault->status, fault->code.empty() ? defaultCode(fault->status) : fault->code,
                   fault->message.empty() ? "Injected fault" : fault->message});
        return true;
    }

    void dispatch(StorageCall& call, const std::string& kind) {
        const StorageRequest& target = call.target();
        const auto verdict =
            m_authenticator.check(call.request(), target, std::chrono::system_clock::now());
        if (const auto* error = std::get_if<S3Error>(&verdict))
            return call.fail(*error);
        call.setPayloadHash(std::get<RequestAuthenticator::Accepted>(verdict).payloadHash);

        if (!ObjectStore::isValidBucketName(target.bucket) || isReservedBucket(target.bucket))
            return call.fail({400, "InvalidBucketName", "The specified bucket is not valid."});
        if (!target.key.empty() && target.key.size() > 1024)
            return call.fail({400, "KeyTooLongError", "Your key is too long."});
        if (!target.key.empty() && !ObjectStore::isValidKey(target.key))
            return call.fail(S3Error::invalidArgument("Object key is not allowed here."));
        if (kind == "unsupported")
            return call.fail({501, "NotImplemented",
                              "A header or query you provided implies functionality that is "
                              "not implemented."});
        if (kind == "createBucket")
            return m_objects.createBucket(call);
        if (kind == "headBucket")
            return m_objects.headBucket(call);
        if (!m_store.bucketExists(target.bucket))
            return call.fail(S3Error::noSuchBucket());
        if (kind == "deleteBucket")
            return m_objects.deleteBucket(call);
        if (kind == "listObjects")
            return m_objects.listObjects(call);
        if (kind == "put") {
            if (call.request().has_header("x-amz-copy-source"))
                return call.fail({501, "NotImplemented", "Copying objects is not supported."});
            return m_objects.putObject(call);
        }
        if (kind == "get" || kind == "head")
            return m_objects.getObject(call);
        if (kind == "delete")
            return m_objects.deleteObject(call);
        if (kind == "create")
            return m_multipart.create(call);
        if (kind == "part")
            return m_multipart.uploadPart(call);
        if (kind == "list")
            return m_multipart.listParts(call);
        if (kind == "complete")
            return m_multipart.complete(call);
        if (kind == "abort")
            return m_multipart.abort(call);
    }

    ObjectStore& m_store;
    RequestAuthenticator m_authenticator;
    FaultInjector& m_faults;
    RequestCounters& m_counters;
    ObjectHandler m_objects;
    MultipartHandler m_multipart;
};

} // namespace

void registerStorageRoutes(httplib::Server& server, ObjectStore& store, MultipartUploads& uploads,
                           const S3Credentials& credentials, FaultInjector& faults,
                           RequestCounters& counters) {
    auto router = std::make_shared<StorageRouter>(store, credentials, faults, counters, uploads);
    // The library tries handlers that read their own body before all others, whatever the
    // order of registration, so these must leave the service's paths alone explicitly.
    // [\s\S], not ".": a key may hold a line break, which "." does not match.
    const std::string anyPath = "/(?!(?:api|oauth|t|admin)(?:/|$))[\\s\\S]+";
    const auto withBody = [router](const httplib::Request& request, httplib::Response& response,
                                   const httplib::ContentReader& reader) {
        router->handle(request, response, &reader);
    };
    const auto withoutBody = [router](const httplib::Request& request,
                                      httplib::Response& response) {
        router->handle(request, response, nullptr);
    };
    server.Get(anyPath, withoutBody);
    server.Delete(anyPath, withoutBody);
    server.Put(anyPath, withBody);
    server.Post(anyPath, withBody);
}

} // namespace devservice
