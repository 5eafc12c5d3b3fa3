#pragma once

#include "MultipartUploads.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace devservice {

// The XML documents of the storage protocol: the answers it writes and the one body it reads.
class S3Xml {
public:
    struct ListedPart {
        int number = 0;
        std::string etag;
        std::int64_t size = 0;
        std::chrono::system_clock::time_point lastModified;
    };
    struct PartsPage {
        std::string bucket, key, uploadId;
        int partNumberMarker = 0;
        int maxParts = 1000;
        bool truncated = false;
        std::vector<ListedPart> parts;
    };
    struct ListedObject {
        std::string key, etag;
        std::int64_t size = 0;
        std::chrono::system_clock::time_point lastModified;
    };
    struct ObjectsPage {
        std::string bucket, prefix, delimiter, continuationToken, startAfter, nextToken;
        int maxKeys = 1000;
        bool truncated = false;
        std::vector<ListedObject> objects;
        std::vector<std::string> commonPrefixes;
    };

    static std::string escape(std::string_view text);
    // "2024-01-02T03:04:05.000Z"
    static std::string isoTime(std::chrono::system_clock::time_point time);

    static std::string error(std::string_view code, std::string_view message,
                             std::string_view resource, std::string_view requestId);
    static std::string initiateResult(std::string_view bucket, std::string_view key,
                                      std::string_view uploadId);
    static std::string partsResult(const PartsPage& page);
    static std::string completeResult(std::string_view location, std::string_view bucket,
                                      std::string_view key, std::string_view etag);
    static std::string objectsResult(const ObjectsPage& page);

    // The parts of a CompleteMultipartUpload body, in document order; nullopt when the body is
    // not well-formed or names no part.
    static std::optional<std::vector<MultipartUploads::RequestedPart>>
    completeRequest(std::string_view body);
};

} // namespace devservice
