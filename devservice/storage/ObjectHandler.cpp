#include "ObjectHandler.h"

#include "Crypto.h"
#include "HashingFileWriter.h"
#include "ObjectReader.h"
#include "ObjectStore.h"
#include "S3Xml.h"
#include "StorageCall.h"

#include <httplib.h>

#include <charconv>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace devservice {

namespace {

std::string httpDate(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}

} // namespace

ObjectHandler::ObjectHandler(ObjectStore& store) : m_store(store) {}

void ObjectHandler::createBucket(StorageCall& call) {
    std::string ignored; // an optional location constraint, which one local disk cannot honour
    if (auto error = call.receiveSmall(ignored, 64 << 10))
        return call.fail(*error);
    if (m_store.bucketExists(call.target().bucket))
        return call.fail({409, "BucketAlreadyOwnedByYou",
                          "Your previous request to create the named bucket succeeded and you "
                          "already own it."});
    m_store.ensureBucket(call.target().bucket);
    call.response().status = 200;
    call.response().set_header("Location", "/" + call.target().bucket);
}

void ObjectHandler::headBucket(StorageCall& call) {
    if (!m_store.bucketExists(call.target().bucket))
        return call.fail(S3Error::noSuchBucket());
    call.response().status = 200;
}

void ObjectHandler::deleteBucket(StorageCall& call) {
    if (!m_store.bucketExists(call.target().bucket))
        return call.fail(S3Error::noSuchBucket());
    if (!m_store.removeBucket(call.target().bucket))
        return call.fail({409, "BucketNotEmpty", "The bucket you tried to delete is not empty."});
    call.response().status = 204;
}

void ObjectHandler::listObjects(StorageCall& call) {
    const StorageRequest& target = call.target();
    if (!m_store.bucketExists(target.bucket))
        return call.fail(S3Error::noSuchBucket());
    S3Xml::ObjectsPage page;
    page.bucket = target.bucket;
    page.prefix = target.value("prefix");
    page.delimiter = target.value("delimiter");
    page.continuationToken = target.value("continuation-token");
    page.startAfter = target.value("start-after");
    if (target.has("max-keys")) {
        const std::string text = target.value("max-keys");
        int maxKeys = -1;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), maxKeys);
        if (error != std::errc() || end != text.data() + text.size() || maxKeys < 0)
            return call.fail(S3Error::invalidArgument("Provided max-keys not an integer or within "
                                                      "integer range"));
        page.maxKeys = std::min(maxKeys, 1000);
    }
    // The continuation token is the hex of the last key or prefix of the previous page.
    // Version 1 listings page with a marker, version 2 with start-after and tokens.
    std::string after = target.has("marker") ? target.value("marker") : page.startAfter;
    if (!page.continuationToken.empty()) {
        after = Crypto::hexDecode(page.continuationToken);
        if (after.empty())
            return call.fail(S3Error::invalidArgument("The continuation token provided is "
                                                      "incorrect"));
    }
    std::string last;
    for (auto& [key, info] : m_store.list(target.bucket, page.prefix, after, SIZE_MAX)) {
        std::string commonPrefix;
        if (!page.delimiter.empty()) {
            const auto cut = key.find(page.delimiter, page.prefix.size());
            if (cut != std::string::npos)
                commonPrefix = key.substr(0, cut + page.delimiter.size());
        }
        if (!commonPrefix.empty() && commonPrefix == last)
            continue; // folded into the prefix already listed
        if (!commonPrefix.empty() && commonPrefix <= after)
            continue; // that prefix ended the previous page
        if (static_cast<int>(page.objects.size() + page.commonPrefixes.size()) == page.maxKeys) {
            page.truncated = true;
            page.nextToken = Crypto::hex(last);
            break;
        }
        if (commonPrefix.empty()) {
            page.objects.push_back({key, info.etag, info.size, info.lastModified});
            last = key;
        } else {
            page.commonPrefixes.push_back(commonPrefix);
            last = commonPrefix;
        }
    }
    call.sendXml(200, S3Xml::objectsResult(page));
}

void ObjectHandler::putObject(StorageCall& call) {
    const StorageRequest& target = call.target();
    auto writer = m_store.beginObject(target.bucket);
    if (auto error = call.receive(*writer))
        return call.fail(*error);
    const std::string etag = "\"" + writer->md5Hex() + "\"";
    m_store.publish(writer->release(), target.bucket, target.key, etag,
                    call.request().get_header_value("Content-Type"));
    call.response().status = 200;
    call.response().set_header("ETag", etag);
}

void ObjectHandler::getObject(StorageCall& call) {
    const StorageRequest& target = call.target();
    const auto info = m_store.head(target.bucket, target.key);
    auto source = info ? ObjectReader::open(*info) : nullptr;
    if (!source)
        return call.fail(S3Error::noSuchKey());
    httplib::Response& response = call.response();
    response.set_header("ETag", info->etag);
    response.set_header("Last-Modified", httpDate(info->lastModified));
    response.set_header("Accept-Ranges", "bytes");
    response.set_content_provider(
        static_cast<std::size_t>(info->size),
        info->contentType.empty() ? "binary/octet-stream" : info->contentType,
        [source](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            return source->provide(offset, length, sink);
        });
}

void ObjectHandler::deleteObject(StorageCall& call) {
    m_store.removeObject(call.target().bucket, call.target().key);
    call.response().status = 204;
}

} // namespace devservice
