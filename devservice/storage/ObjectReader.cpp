#include "ObjectReader.h"

#include <httplib.h>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace devservice {

std::shared_ptr<ObjectReader> ObjectReader::open(const ObjectStore::ObjectInfo& info) {
    std::shared_ptr<ObjectReader> reader(new ObjectReader);
    std::uint64_t start = 0;
    for (const auto& piece : info.pieces) {
        const int fd = ::open(piece.file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        reader->m_pieces.push_back({fd, start, std::uint64_t(piece.size)});
        start += std::uint64_t(piece.size);
    }
    return reader;
}

ObjectReader::~ObjectReader() {
    for (const auto& piece : m_pieces)
        ::close(piece.fd);
}

bool ObjectReader::provide(std::size_t offset, std::size_t length, httplib::DataSink& sink) {
    const auto piece =
        std::find_if(m_pieces.begin(), m_pieces.end(), [offset](const OpenPiece& candidate) {
            return offset < candidate.start + candidate.size;
        });
    if (piece == m_pieces.end() || length == 0)
        return false;
    const std::uint64_t within = offset - piece->start;
    const std::size_t wanted =
        std::min<std::uint64_t>({length, piece->size - within, std::uint64_t(1) << 20});
    m_buffer.resize(wanted);
    const ssize_t n = ::pread(piece->fd, m_buffer.data(), wanted, off_t(within));
    if (n <= 0)
        return false;
    return sink.write(m_buffer.data(), std::size_t(n));
}

} // namespace devservice
