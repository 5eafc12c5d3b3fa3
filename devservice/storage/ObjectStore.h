#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace devservice {

class HashingFileWriter;

// Buckets and objects on local disk below one root folder. An object's bytes live in a file named
// after a hash of its key, next to a small sidecar holding the key and its ETag, so no key can
// reach outside the root. A completed multipart upload keeps its parts as they are, as pieces in
// a folder of that name, so completing never copies the bytes. Thread-safe.
class ObjectStore {
public:
    struct Piece {
        std::filesystem::path file;
        std::int64_t size = 0;
    };
    struct ObjectInfo {
        std::int64_t size = 0;
        std::string etag; // quoted, as sent in the ETag header
        // The object's bytes are these files one after another.
        std::vector<Piece> pieces;
        std::string contentType;
        std::chrono::system_clock::time_point lastModified;
    };

    explicit ObjectStore(std::filesystem::path root);
    ~ObjectStore();

    const std::filesystem::path& root() const { return m_root; }

    static bool isValidBucketName(const std::string& bucket);
    static bool isValidKey(const std::string& key);

    void ensureBucket(const std::string& bucket);
    bool bucketExists(const std::string& bucket) const;
    // Removes an empty bucket; false when it is missing or not empty.
    bool removeBucket(const std::string& bucket);

    std::optional<ObjectInfo> head(const std::string& bucket, const std::string& key) const;
    // A writer for a new object version in the bucket's folder; nothing is visible until
    // publish().
    std::unique_ptr<HashingFileWriter> beginObject(const std::string& bucket) const;
    // A fresh name in the bucket's folder for assembling an object elsewhere than through a
    // writer: a file, or a folder of pieces whose names sort in their order.
    std::filesystem::path stagingPath(const std::string& bucket) const;
    // Moves a finished file or folder of pieces from the bucket's folder into place as the
    // object's content, replacing any earlier content at once.
    ObjectInfo publish(const std::filesystem::path& stagedFile, const std::string& bucket,
                       const std::string& key, const std::string& etag,
                       const std::string& contentType);
    // Convenience for small bodies (tests, previews); streams through the same path.
    std::optional<ObjectInfo> putObject(const std::string& bucket, const std::string& key,
                                        std::string_view body, const std::string& contentType = {});
    bool removeObject(const std::string& bucket, const std::string& key);
    // Keys in lexicographic order, starting after `startAfter`, at most maxKeys of them.
    std::vector<std::pair<std::string, ObjectInfo>> list(const std::string& bucket,
                                                         const std::string& prefix,
                                                         const std::string& startAfter,
                                                         std::size_t maxKeys) const;

private:
    std::filesystem::path bucketDir(const std::string& bucket) const;
    std::filesystem::path objectBase(const std::string& bucket, const std::string& key) const;
    std::optional<ObjectInfo> readInfo(const std::filesystem::path& base) const;

    std::filesystem::path m_root;
    mutable std::mutex m_mutex;
};

} // namespace devservice
