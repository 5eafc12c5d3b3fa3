#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace devservice {

// Streams a body into a temporary file in the target's folder while computing its MD5, then
// renames it into place. Writes are batched through one large buffer; the file is not synced,
// since this storage serves development and tests. An uncommitted file is removed on destruction.
class HashingFileWriter {
public:
    explicit HashingFileWriter(const std::filesystem::path& folder);
    ~HashingFileWriter();
    HashingFileWriter(const HashingFileWriter&) = delete;
    HashingFileWriter& operator=(const HashingFileWriter&) = delete;

    // False when the disk refused the bytes.
    bool write(std::string_view bytes);
    // Flushes and finalises the digest; call once before commit.
    bool finish();
    // Atomically replaces `target` with the written file.
    bool commit(const std::filesystem::path& target);
    // Hands the finished file to the caller, who moves it into place.
    std::filesystem::path release();

    std::int64_t size() const { return m_size; }
    // Raw 16-byte digest and its lower-case hex form, valid after finish().
    const std::string& md5() const { return m_md5; }
    std::string md5Hex() const;
    const std::filesystem::path& tempPath() const { return m_temp; }

private:
    bool flush();

    struct State;
    std::unique_ptr<State> m_state;
    std::filesystem::path m_temp;
    std::int64_t m_size = 0;
    std::string m_md5;
    bool m_committed = false;
};

} // namespace devservice
