#include "MultipartUploads.h"

#include "Crypto.h"
#include "HashingFileWriter.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace devservice {

namespace fs = std::filesystem;

namespace {

constexpr const char* uploadMeta = "upload.meta";

std::string partFileName(int number, const std::string& md5Hex) {
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%05d-", number);
    return prefix + md5Hex;
}

// "00042-<32 hex>" → 42; 0 for anything else (temporary files, the upload's sidecar).
int partNumberOf(const std::string& name) {
    if (name.size() != 6 + 32 || name[5] != '-')
        return 0;
    int number = 0;
    for (int i = 0; i < 5; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

std::string unquoted(std::string etag) {
    if (etag.size() >= 2 && etag.front() == '"' && etag.back() == '"')
        etag = etag.substr(1, etag.size() - 2);
    return etag;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Appends a whole file in the kernel where it can, else through one bounded buffer.
bool appendFile(int out, const fs::path& file) {
    FileDescriptor in(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return false;
    for (;;) {
        const ssize_t copied = ::copy_file_range(in.get(), nullptr, out, nullptr, 1 << 30, 0);
        if (copied == 0)
            return true;
        if (copied > 0)
            continue;
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
            return false;
        break;
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t written = ::write(out, buffer.data() + done, n - done);
            if (written < 0 && errno != EINTR)
                return false;
            done += std::max<ssize_t>(written, 0);
        }
    }
}

// A second name for the file where the file system allows it, else a copy.
bool linkOrCopy(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::create_hard_link(from, to, error);
    if (!error)
        return true;
    FileDescriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    return out.get() >= 0 && appendFile(out.get(), from);
}

// The newest change in an upload's folder: a new part, or the bytes of one still arriving.
std::optional<fs::file_time_type> lastActivity(const fs::path& dir) {
    std::error_code error;
    fs::file_time_type newest = fs::last_write_time(dir, error);
    if (error)
        return std::nullopt;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        std::error_code ignored;
        newest = std::max(newest, entry.last_write_time(ignored));
    }
    return newest;
}

} // namespace

MultipartUploads::MultipartUploads(ObjectStore& store, std::int64_t minPartSize)
    : m_store(store), m_minPartSize(minPartSize), m_root(store.root() / "uploads") {
    fs::create_directories(m_root);
}

bool MultipartUploads::isValidUploadId(const std::string& uploadId) {
    return uploadId.size() == 32 && std::all_of(uploadId.begin(), uploadId.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

fs::path MultipartUploads::uploadDir(const std::string& uploadId) const {
    return m_root / uploadId;
}

std::string MultipartUploads::create(const std::string& bucket, const std::string& key,
                                     const std::string& contentType) {
    if (!m_store.bucketExists(bucket) || !ObjectStore::isValidKey(key))
        throw std::invalid_argument("no such bucket or invalid key");
    const std::string uploadId = Crypto::randomHex(16);
    const fs::path dir = uploadDir(uploadId);
    fs::create_directory(dir);
    std::ofstream out(dir / ".meta-new");
    out << "bucket " << bucket << "\ncontent-type " << contentType << "\nkey " << key << "\n";
    if (!out.flush())
        throw std::runtime_error("cannot write upload metadata");
    out.close();
    // The sidecar appears whole, so a concurrent reader never sees half an upload.
    fs::rename(dir / ".meta-new", dir / uploadMeta);
    return uploadId;
}

std::optional<MultipartUploads::Upload>
MultipartUploads::readUpload(const std::string& uploadId) const {
    if (!isValidUploadId(uploadId))
        return std::nullopt;
    std::ifstream in(uploadDir(uploadId) / uploadMeta);
    if (!in)
        return std::nullopt;
    Upload upload;
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("bucket "))
            upload.bucket = line.substr(7);
        else if (line.starts_with("content-type "))
            upload.contentType = line.substr(13);
        else if (line.starts_with("key "))
            upload.key = line.substr(4);
    }
    if (upload.bucket.empty() || upload.key.empty())
        return std::nullopt;
    return upload;
}

std::optional<MultipartUploads::Upload> MultipartUploads::find(const std::string& uploadId,
                                                               const std::string& bucket,
                                                               const std::string& key) const {
    std::lock_guard lock(m_mutex);
    auto upload = readUpload(uploadId);
    if (!upload || upload->bucket != bucket || upload->key != key)
        return std::nullopt;
    return upload;
}

std::unique_ptr<HashingFileWriter> MultipartUploads::beginPart(const std::string& uploadId) const {
    std::lock_guard lock(m_mutex);
    if (!readUpload(uploadId))
        return nullptr;
    return std::make_unique<HashingFileWriter>(uploadDir(uploadId));
}

std::optional<MultipartUploads::Part>
MultipartUploads::commitPart(const std::string& uploadId, int number, HashingFileWriter& writer) {
    const fs::path dir = uploadDir(uploadId);
    const std::string name = partFileName(number, writer.md5Hex());
    std::lock_guard lock(m_mutex);
    if (!readUpload(uploadId) || writer.tempPath().parent_path() != dir ||
        !writer.commit(dir / name))
        return std::nullopt;
    for (const Part& part : listParts(dir)) {
        if (part.number == number && part.file.filename() != name) {
            std::error_code ignored;
            fs::remove(part.file, ignored);
        }
    }
    for (Part& part : listParts(dir)) {
        if (part.number == number)
            return part;
    }
    return std::nullopt;
}

std::vector<MultipartUploads::Part> MultipartUploads::listParts(const fs::path& dir) const {
    std::vector<Part> result;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        const std::string name = entry.path().filename().string();
        const int number = partNumberOf(name);
        struct stat status {};
        if (number == 0 || ::stat(entry.path().c_str(), &status) != 0)
            continue;
        Part part;
        part.number = number;
        part.etag = "\"" + name.substr(6) + "\"";
        part.size = status.st_size;
        part.lastModified = std::chrono::system_clock::time_point(
            std::chrono::duration_cast<std::chrono::system_clock::duration>(
                std::chrono::seconds(status.st_mtim.tv_sec) +
                std::chrono::nanoseconds(status.st_mtim.tv_nsec)));
        part.file = entry.path();
        result.push_back(std::move(part));
    }
    std::sort(result.begin(), result.end(),
              [](const Part& a, const Part& b) { return a.number < b.number; });
    return result;
}

std::optional<std::vector<MultipartUploads::Part>>
MultipartUploads::parts(const std::string& uploadId) const {
    std::lock_guard lock(m_mutex);
    if (!readUpload(uploadId))
        return std::nullopt;
    return listParts(uploadDir(uploadId));
}

MultipartUploads::Completion
MultipartUploads::check(const std::vector<Part>& stored,
                        const std::vector<RequestedPart>& requested) const {
    Completion result;
    for (std::size_t i = 0; i < requested.size(); ++i) {
        if (i > 0 && requested[i].number <= requested[i - 1].number)
            return {Outcome::InvalidPartOrder,
                    "The list of parts was not in ascending order. The parts list must be "
                    "specified in order by part number.",
                    {}};
    }
    for (std::size_t i = 0; i < requested.size(); ++i) {
        const auto found = std::find_if(stored.begin(), stored.end(), [&](const Part& part) {
            return part.number == requested[i].number;
        });
        if (found == stored.end() || unquoted(found->etag) != unquoted(requested[i].etag))
            return {Outcome::InvalidPart,
                    "One or more of the specified parts could not be found. The part may not "
                    "have been uploaded, or the specified entity tag may not match the part's "
                    "entity tag.",
                    {}};
        if (i + 1 < requested.size() && found->size < m_minPartSize)
            return {Outcome::EntityTooSmall,
                    "Your proposed upload is smaller than the minimum allowed size.",
                    {}};
    }
    result.outcome = Outcome::Completed;
    return result;
}

MultipartUploads::Completion
MultipartUploads::complete(const std::string& uploadId, const std::string& bucket,
                           const std::string& key, const std::vector<RequestedPart>& requested) {
    const fs::path dir = uploadDir(uploadId);
    const fs::path claimed = m_root / (".completing-" + uploadId);
    std::optional<Upload> upload;
    std::vector<Part> stored;
    {
        std::lock_guard lock(m_mutex);
        upload = readUpload(uploadId);
        if (!upload || upload->bucket != bucket || upload->key != key)
            return {Outcome::NoSuchUpload, "The specified upload does not exist.", {}};
        stored = listParts(dir);
        Completion verdict = check(stored, requested);
        if (verdict.outcome != Outcome::Completed)
            return verdict;
        // Taking the folder out of view ends the upload for every other request at once, so
        // the assembly below can run without the lock.
        fs::rename(dir, claimed);
    }

    // The parts become the object's pieces as they are: linked, not copied, so completing costs
    // the same for a part of 1 KiB and a file of 100 GB. A single part becomes the object's file,
    // without a folder. The claimed folder keeps its own names, so a failure leaves the upload as
    // it was.
    std::string digests;
    const fs::path staged = m_store.stagingPath(bucket);
    const bool single = requested.size() == 1;
    std::error_code folderError;
    bool assembled = single || fs::create_directory(staged, folderError);
    for (std::size_t i = 0; assembled && i < requested.size(); ++i) {
        const auto part = std::find_if(stored.begin(), stored.end(), [&](const Part& p) {
            return p.number == requested[i].number;
        });
        digests += Crypto::hexDecode(unquoted(part->etag));
        char name[24];
        std::snprintf(name, sizeof name, "%06zu", i + 1);
        assembled = linkOrCopy(claimed / part->file.filename(), single ? staged : staged / name);
    }
    std::error_code ignored;
    if (!assembled) {
        fs::remove_all(staged, ignored);
        std::lock_guard lock(m_mutex);
        fs::rename(claimed, dir, ignored);
        throw std::runtime_error("cannot assemble the object");
    }
    const std::string etag =
        "\"" + Crypto::hex(Crypto::md5(digests)) + "-" + std::to_string(requested.size()) + "\"";
    Completion result;
    result.outcome = Outcome::Completed;
    try {
        result.object = m_store.publish(staged, bucket, key, etag, upload->contentType);
    } catch (...) {
        fs::remove_all(staged, ignored);
        std::lock_guard lock(m_mutex);
        fs::rename(claimed, dir, ignored);
        throw;
    }
    fs::remove_all(claimed, ignored);
    return result;
}

bool MultipartUploads::abort(const std::string& uploadId, const std::string& bucket,
                             const std::string& key) {
    std::lock_guard lock(m_mutex);
    const auto upload = readUpload(uploadId);
    if (!upload || upload->bucket != bucket || upload->key != key)
        return false;
    std::error_code ignored;
    fs::remove_all(uploadDir(uploadId), ignored);
    return true;
}

int MultipartUploads::abortIdleSince(std::chrono::system_clock::time_point cutoff) {
    const auto fileCutoff = fs::file_time_type::clock::from_sys(cutoff);
    std::vector<fs::path> dirs;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(m_root, error))
        if (isValidUploadId(entry.path().filename().string()))
            dirs.push_back(entry.path());
    int aborted = 0;
    for (const fs::path& dir : dirs) {
        std::lock_guard lock(m_mutex);
        const auto active = lastActivity(dir);
        std::error_code ignored;
        if (active && *active < fileCutoff && fs::remove_all(dir, ignored) > 0)
            ++aborted;
    }
    return aborted;
}

} // namespace devservice
