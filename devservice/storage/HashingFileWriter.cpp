#include "HashingFileWriter.h"

#include "Crypto.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <unistd.h>

namespace devservice {

namespace {

constexpr std::size_t bufferSize = 1 << 20;

bool writeAll(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

struct HashingFileWriter::State {
    int fd = -1;
    EVP_MD_CTX* md5 = nullptr;
    // Not zeroed first: it is written before it is read, and a small body fills little of it.
    std::unique_ptr<char[]> buffer;
    std::size_t buffered = 0;
    bool failed = false;
};

HashingFileWriter::HashingFileWriter(const std::filesystem::path& folder)
    : m_state(std::make_unique<State>()) {
    m_temp = folder / (".tmp-" + Crypto::randomHex(12));
    m_state->fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (m_state->fd < 0)
        throw std::runtime_error("cannot create " + m_temp.string());
    m_state->md5 = EVP_MD_CTX_new();
    if (!m_state->md5 || EVP_DigestInit_ex(m_state->md5, EVP_md5(), nullptr) != 1)
        throw std::runtime_error("MD5 unavailable");
}

HashingFileWriter::~HashingFileWriter() {
    if (m_state->fd >= 0)
        ::close(m_state->fd);
    EVP_MD_CTX_free(m_state->md5);
    if (!m_committed) {
        std::error_code ignored;
        std::filesystem::remove(m_temp, ignored);
    }
}

bool HashingFileWriter::write(std::string_view bytes) {
    State& s = *m_state;
    if (s.failed || s.fd < 0)
        return false;
    EVP_DigestUpdate(s.md5, bytes.data(), bytes.size());
    m_size += static_cast<std::int64_t>(bytes.size());
    // Large pieces go straight to the file; small ones are gathered so the disk sees big writes.
    if (s.buffered == 0 && bytes.size() >= bufferSize / 4) {
        s.failed = !writeAll(s.fd, bytes.data(), bytes.size());
        return !s.failed;
    }
    if (!s.buffer)
        s.buffer = std::make_unique_for_overwrite<char[]>(bufferSize);
    while (!bytes.empty()) {
        const std::size_t n = std::min(bytes.size(), bufferSize - s.buffered);
        std::copy_n(bytes.data(), n, s.buffer.get() + s.buffered);
        s.buffered += n;
        bytes.remove_prefix(n);
        if (s.buffered == bufferSize && !flush())
            return false;
    }
    return true;
}

bool HashingFileWriter::flush() {
    State& s = *m_state;
    if (s.buffered > 0) {
        s.failed = s.failed || !writeAll(s.fd, s.buffer.get(), s.buffered);
        s.buffered = 0;
    }
    return !s.failed;
}

bool HashingFileWriter::finish() {
    State& s = *m_state;
    if (s.fd < 0 || !flush())
        return false;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(s.md5, digest, &length);
    m_md5.assign(reinterpret_cast<const char*>(digest), length);
    const bool closed = ::close(s.fd) == 0;
    s.fd = -1;
    return closed;
}

bool HashingFileWriter::commit(const std::filesystem::path& target) {
    if (m_state->fd >= 0 || m_committed)
        return false;
    std::error_code error;
    std::filesystem::rename(m_temp, target, error);
    m_committed = !error;
    return m_committed;
}

std::filesystem::path HashingFileWriter::release() {
    m_committed = true;
    return m_temp;
}

std::string HashingFileWriter::md5Hex() const {
    return Crypto::hex(m_md5);
}

} // namespace devservice
