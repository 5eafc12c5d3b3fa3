#include "MultipartHandler.h"

#include "HashingFileWriter.h"
#include "S3Xml.h"
#include "SigV4.h"
#include "StorageCall.h"

#include <httplib.h>

#include <charconv>

namespace devservice {

namespace {

std::optional<int> parseInt(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

void MultipartHandler::create(StorageCall& call) {
    const StorageRequest& target = call.target();
    std::string ignored;
    if (auto error = call.receiveSmall(ignored, maxCompleteBodySize))
        return call.fail(*error);
    const std::string contentType = call.request().get_header_value("Content-Type");
    const std::string uploadId = m_uploads.create(target.bucket, target.key, contentType);
    call.sendXml(200, S3Xml::initiateResult(target.bucket, target.key, uploadId));
}

void MultipartHandler::uploadPart(StorageCall& call) {
    const StorageRequest& target = call.target();
    const std::string uploadId = target.value("uploadId");
    const auto number = parseInt(target.value("partNumber"));
    if (!number || *number < 1 || *number > MultipartUploads::maxPartNumber)
        return call.fail(S3Error::invalidArgument(
            "Part number must be an integer between 1 and 10000, inclusive"));
    if (!m_uploads.find(uploadId, target.bucket, target.key))
        return call.fail(S3Error::noSuchUpload());
    auto writer = m_uploads.beginPart(uploadId);
    if (!writer)
        return call.fail(S3Error::noSuchUpload());
    if (auto error = call.receive(*writer))
        return call.fail(*error);
    const auto part = m_uploads.commitPart(uploadId, *number, *writer);
    if (!part)
        return call.fail(S3Error::noSuchUpload());
    call.response().status = 200;
    call.response().set_header("ETag", part->etag);
}

void MultipartHandler::listParts(StorageCall& call) {
    const StorageRequest& target = call.target();
    const std::string uploadId = target.value("uploadId");
    S3Xml::PartsPage page;
    page.bucket = target.bucket;
    page.key = target.key;
    page.uploadId = uploadId;
    if (target.has("max-parts")) {
        const auto maxParts = parseInt(target.value("max-parts"));
        if (!maxParts || *maxParts < 0)
            return call.fail(S3Error::invalidArgument(
                "Argument max-parts must be an integer between 0 and 2147483647"));
        page.maxParts = std::min(*maxParts, maxPartsPerPage);
    }
    if (target.has("part-number-marker")) {
        const auto marker = parseInt(target.value("part-number-marker"));
        if (!marker || *marker < 0)
            return call.fail(S3Error::invalidArgument(
                "Argument part-number-marker must be an integer between 0 and 2147483647"));
        page.partNumberMarker = *marker;
    }
    if (!m_uploads.find(uploadId, target.bucket, target.key))
        return call.fail(S3Error::noSuchUpload());
    const auto parts = m_uploads.parts(uploadId);
    if (!parts)
        return call.fail(S3Error::noSuchUpload());
    for (const MultipartUploads::Part& part : *parts) {
        if (part.number <= page.partNumberMarker)
            continue;
        if (static_cast<int>(page.parts.size()) == page.maxParts) {
            page.truncated = true;
            break;
        }
        page.parts.push_back({part.number, part.etag, part.size, part.lastModified});
    }
    call.sendXml(200, S3Xml::partsResult(page));
}

void MultipartHandler::complete(StorageCall& call) {
    const StorageRequest& target = call.target();
    std::string body;
    if (auto error = call.receiveSmall(body, maxCompleteBodySize))
        return call.fail(*error);
    const std::string uploadId = target.value("uploadId");
    // An unknown upload is reported before the document is judged, as the client relies on
    // NoSuchUpload to recognise an upload it already completed.
    if (!m_uploads.find(uploadId, target.bucket, target.key))
        return call.fail(S3Error::noSuchUpload());
    const auto requested = S3Xml::completeRequest(body);
    if (!requested)
        return call.fail(S3Error::malformedXml());
    const MultipartUploads::Completion completion =
        m_uploads.complete(uploadId, target.bucket, target.key, *requested);
    switch (completion.outcome) {
    case MultipartUploads::Outcome::Completed:
        break;
    case MultipartUploads::Outcome::NoSuchUpload:
        return call.fail(S3Error::noSuchUpload());
    case MultipartUploads::Outcome::InvalidPart:
        return call.fail({400, "InvalidPart", completion.message});
    case MultipartUploads::Outcome::InvalidPartOrder:
        return call.fail({400, "InvalidPartOrder", completion.message});
    case MultipartUploads::Outcome::EntityTooSmall:
        return call.fail({400, "EntityTooSmall", completion.message});
    }
    const std::string location = "http://" + call.request().get_header_value("Host") + "/" +
                                 target.bucket + "/" + SigV4::uriEncode(target.key, true);
    call.sendXml(
        200, S3Xml::completeResult(location, target.bucket, target.key, completion.object.etag));
}

void MultipartHandler::abort(StorageCall& call) {
    const StorageRequest& target = call.target();
    if (!m_uploads.abort(target.value("uploadId"), target.bucket, target.key))
        return call.fail(S3Error::noSuchUpload());
    call.response().status = 204;
}

} // namespace devservice
