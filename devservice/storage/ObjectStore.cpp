#include "ObjectStore.h"

#include "Crypto.h"
#include "HashingFileWriter.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>

namespace devservice {

namespace fs = std::filesystem;

namespace {

constexpr const char* dataSuffix = ".obj";
constexpr const char* metaSuffix = ".meta";
constexpr std::size_t maxKeyLength = 1024;

bool isIpv4Like(const std::string& name) {
    int dots = 0;
    for (char c : name) {
        if (c == '.')
            ++dots;
        else if (c < '0' || c > '9')
            return false;
    }
    return dots == 3;
}

struct Sidecar {
    std::string key;
    std::string etag;
    std::string contentType;
};

std::optional<Sidecar> readSidecar(const fs::path& file) {
    std::ifstream in(file);
    if (!in)
        return std::nullopt;
    Sidecar sidecar;
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("etag "))
            sidecar.etag = line.substr(5);
        else if (line.starts_with("content-type "))
            sidecar.contentType = line.substr(13);
        else if (line.starts_with("key "))
            sidecar.key = line.substr(4);
    }
    if (sidecar.key.empty())
        return std::nullopt;
    return sidecar;
}

} // namespace

ObjectStore::ObjectStore(fs::path root) : m_root(std::move(root)) {
    fs::create_directories(m_root / "buckets");
}

ObjectStore::~ObjectStore() = default;

bool ObjectStore::isValidBucketName(const std::string& bucket) {
    if (bucket.size() < 3 || bucket.size() > 63)
        return false;
    const auto alnum = [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); };
    if (!alnum(bucket.front()) || !alnum(bucket.back()))
        return false;
    for (std::size_t i = 0; i < bucket.size(); ++i) {
        const char c = bucket[i];
        if (!alnum(c) && c != '-' && c != '.')
            return false;
        if (c == '.' && i > 0 && (bucket[i - 1] == '.' || bucket[i - 1] == '-'))
            return false;
        if (c == '-' && i > 0 && bucket[i - 1] == '.')
            return false;
    }
    return !isIpv4Like(bucket) && !bucket.starts_with("xn--") && !bucket.ends_with("-s3alias");
}

bool ObjectStore::isValidKey(const std::string& key) {
    if (key.empty() || key.size() > maxKeyLength || key.front() == '/')
        return false;
    for (unsigned char c : key) {
        if (c < 0x20 || c == 0x7f)
            return false;
    }
    std::size_t start = 0;
    while (start <= key.size()) {
        const std::size_t end = std::min(key.find('/', start), key.size());
        const std::string_view segment(key.data() + start, end - start);
        if (segment == "." || segment == "..")
            return false;
        start = end + 1;
    }
    return true;
}

fs::path ObjectStore::bucketDir(const std::string& bucket) const {
    if (!isValidBucketName(bucket))
        throw std::invalid_argument("invalid bucket name: " + bucket);
    return m_root / "buckets" / bucket;
}

fs::path ObjectStore::objectBase(const std::string& bucket, const std::string& key) const {
    if (!isValidKey(key))
        throw std::invalid_argument("invalid object key");
    return bucketDir(bucket) / Crypto::hex(Crypto::sha256(key));
}

void ObjectStore::ensureBucket(const std::string& bucket) {
    fs::create_directories(bucketDir(bucket));
}

bool ObjectStore::bucketExists(const std::string& bucket) const {
    std::error_code error;
    return isValidBucketName(bucket) && fs::is_directory(bucketDir(bucket), error);
}

bool ObjectStore::removeBucket(const std::string& bucket) {
    std::lock_guard lock(m_mutex);
    if (!bucketExists(bucket))
        return false;
    for (const auto& entry : fs::directory_iterator(bucketDir(bucket))) {
        if (entry.path().extension() == metaSuffix)
            return false;
    }
    std::error_code error;
    fs::remove_all(bucketDir(bucket), error);
    return !error;
}

std::optional<ObjectStore::ObjectInfo> ObjectStore::readInfo(const fs::path& base) const {
    const auto sidecar = readSidecar(fs::path(base).concat(metaSuffix));
    if (!sidecar)
        return std::nullopt;
    const fs::path data = fs::path(base).concat(dataSuffix);
    struct stat status {};
    if (::stat(data.c_str(), &status) != 0)
        return std::nullopt;
    ObjectInfo info;
    if (S_ISDIR(status.st_mode)) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(data, error)) {
            const auto size = entry.file_size(error);
            if (error)
                return std::nullopt;
            info.pieces.push_back({entry.path(), std::int64_t(size)});
        }
        if (error)
            return std::nullopt;
        std::sort(info.pieces.begin(), info.pieces.end(),
                  [](const Piece& a, const Piece& b) { return a.file < b.file; });
    } else {
        info.pieces.push_back({data, status.st_size});
    }
    for (const auto& piece : info.pieces)
        info.size += piece.size;
    info.etag = sidecar->etag;
    info.contentType = sidecar->contentType;
    info.lastModified = std::chrono::system_clock::time_point(
        std::chrono::seconds(status.st_mtim.tv_sec) +
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::nanoseconds(status.st_mtim.tv_nsec)));
    return info;
}

std::optional<ObjectStore::ObjectInfo> ObjectStore::head(const std::string& bucket,
                                                         const std::string& key) const {
    if (!isValidBucketName(bucket) || !isValidKey(key))
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    return readInfo(objectBase(bucket, key));
}

std::unique_ptr<HashingFileWriter> ObjectStore::beginObject(const std::string& bucket) const {
    return std::make_unique<HashingFileWriter>(bucketDir(bucket));
}

fs::path ObjectStore::stagingPath(const std::string& bucket) const {
    return bucketDir(bucket) / (".tmp-" + Crypto::randomHex(12));
}

ObjectStore::ObjectInfo ObjectStore::publish(const fs::path& stagedFile, const std::string& bucket,
                                             const std::string& key, const std::string& etag,
                                             const std::string& contentType) {
    const fs::path base = objectBase(bucket, key);
    const fs::path metaTemp = fs::path(base).concat(".meta-new");
    std::lock_guard lock(m_mutex);
    try {
        {
            std::ofstream out(metaTemp, std::ios::trunc);
            out << "etag " << etag << "\ncontent-type " << contentType << "\nkey " << key << "\n";
            if (!out.flush())
                throw std::runtime_error("cannot write object metadata");
        }
        // A file cannot replace a folder by rename, nor a folder a file: the old content steps
        // aside first, all under the lock, so nobody sees the object without content.
        const fs::path data = fs::path(base).concat(dataSuffix);
        const fs::path replaced = stagingPath(bucket);
        std::error_code absent;
        fs::rename(data, replaced, absent);
        try {
            fs::rename(stagedFile, data);
        } catch (...) {
            fs::rename(replaced, data, absent);
            throw;
        }
        fs::rename(metaTemp, fs::path(base).concat(metaSuffix));
        fs::remove_all(replaced, absent);
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(stagedFile, ignored);
        fs::remove(metaTemp, ignored);
        throw;
    }
    if (auto info = readInfo(base))
        return *info;
    throw std::runtime_error("object vanished while it was stored");
}

std::optional<ObjectStore::ObjectInfo> ObjectStore::putObject(const std::string& bucket,
                                                              const std::string& key,
                                                              std::string_view body,
                                                              const std::string& contentType) {
    if (!bucketExists(bucket) || !isValidKey(key))
        return std::nullopt;
    auto writer = beginObject(bucket);
    if (!writer->write(body) || !writer->finish())
        return std::nullopt;
    return publish(writer->release(), bucket, key, "\"" + writer->md5Hex() + "\"", contentType);
}

bool ObjectStore::removeObject(const std::string& bucket, const std::string& key) {
    if (!isValidBucketName(bucket) || !isValidKey(key))
        return false;
    const fs::path base = objectBase(bucket, key);
    std::lock_guard lock(m_mutex);
    std::error_code error;
    const bool existed = fs::remove(fs::path(base).concat(metaSuffix), error);
    fs::remove_all(fs::path(base).concat(dataSuffix), error);
    return existed;
}

std::vector<std::pair<std::string, ObjectStore::ObjectInfo>>
ObjectStore::list(const std::string& bucket, const std::string& prefix,
                  const std::string& startAfter, std::size_t maxKeys) const {
    std::vector<std::pair<std::string, ObjectInfo>> result;
    if (!bucketExists(bucket))
        return result;
    std::lock_guard lock(m_mutex);
    for (const auto& entry : fs::directory_iterator(bucketDir(bucket))) {
        if (entry.path().extension() != metaSuffix)
            continue;
        const auto sidecar = readSidecar(entry.path());
        if (!sidecar || !sidecar->key.starts_with(prefix) || sidecar->key <= startAfter)
            continue;
        fs::path base = entry.path();
        base.replace_extension();
        if (auto info = readInfo(base))
            result.emplace_back(sidecar->key, std::move(*info));
    }
    std::sort(result.begin(), result.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    if (result.size() > maxKeys)
        result.resize(maxKeys);
    return result;
}

} // namespace devservice
