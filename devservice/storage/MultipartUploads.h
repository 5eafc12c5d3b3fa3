#pragma once

#include "ObjectStore.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace devservice {

class HashingFileWriter;

// Multipart uploads in progress, each a folder of part files below the storage root. A part's
// file name carries its number and MD5, so storing a part is one rename. Thread-safe; parts of
// one upload may arrive concurrently.
class MultipartUploads {
public:
    struct Upload {
        std::string bucket;
        std::string key;
        std::string contentType;
    };
    struct Part {
        int number = 0;
        std::string etag; // quoted
        std::int64_t size = 0;
        std::chrono::system_clock::time_point lastModified;
        std::filesystem::path file;
    };
    struct RequestedPart {
        int number = 0;
        std::string etag;
    };
    enum class Outcome { Completed, NoSuchUpload, InvalidPart, InvalidPartOrder, EntityTooSmall };
    struct Completion {
        Outcome outcome = Outcome::NoSuchUpload;
        std::string message;
        ObjectStore::ObjectInfo object;
    };

    static constexpr int maxPartNumber = 10000;

    MultipartUploads(ObjectStore& store, std::int64_t minPartSize);

    static bool isValidUploadId(const std::string& uploadId);

    // The new upload's id; the bucket must exist.
    std::string create(const std::string& bucket, const std::string& key,
                       const std::string& contentType);
    // The upload, when it exists and belongs to bucket/key.
    std::optional<Upload> find(const std::string& uploadId, const std::string& bucket,
                               const std::string& key) const;
    // A writer for a part body; null when the upload does not exist.
    std::unique_ptr<HashingFileWriter> beginPart(const std::string& uploadId) const;
    // Stores a finished part, replacing an earlier one of the same number; nullopt when the
    // upload ended meanwhile.
    std::optional<Part> commitPart(const std::string& uploadId, int number,
                                   HashingFileWriter& writer);
    // Stored parts by ascending number; nullopt when the upload does not exist.
    std::optional<std::vector<Part>> parts(const std::string& uploadId) const;
    // Checks the requested list, then assembles the object from the part files without reading
    // them into memory. The upload is gone afterwards, as it is after abort().
    Completion complete(const std::string& uploadId, const std::string& bucket,
                        const std::string& key, const std::vector<RequestedPart>& requested);
    bool abort(const std::string& uploadId, const std::string& bucket, const std::string& key);
    // Aborts every upload whose last request came before the cutoff and deletes its parts;
    // returns how many.
    int abortIdleSince(std::chrono::system_clock::time_point cutoff);

private:
    std::filesystem::path uploadDir(const std::string& uploadId) const;
    std::optional<Upload> readUpload(const std::string& uploadId) const;
    std::vector<Part> listParts(const std::filesystem::path& dir) const;
    Completion check(const std::vector<Part>& stored,
                     const std::vector<RequestedPart>& requested) const;

    ObjectStore& m_store;
    std::int64_t m_minPartSize;
    std::filesystem::path m_root;
    mutable std::mutex m_mutex;
};

} // namespace devservice
