#pragma once

#include "ObjectStore.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace httplib {
class DataSink;
}

namespace devservice {

// The bytes of one stored object for an answer. Every piece is opened at once, so an object
// replaced or removed while it is being sent is still sent whole, as it was.
class ObjectReader {
public:
    // Null when a piece cannot be opened.
    static std::shared_ptr<ObjectReader> open(const ObjectStore::ObjectInfo& info);
    ~ObjectReader();
    ObjectReader(const ObjectReader&) = delete;
    ObjectReader& operator=(const ObjectReader&) = delete;

    // Writes a slice of the bytes from `offset` on (at most `length`) to the sink; false when
    // nothing could be read or the sink refused it. Meant for httplib's content providers, which
    // call again for the rest.
    bool provide(std::size_t offset, std::size_t length, httplib::DataSink& sink);

private:
    struct OpenPiece {
        int fd = -1;
        std::uint64_t start = 0;
        std::uint64_t size = 0;
    };

    ObjectReader() = default;

    std::vector<OpenPiece> m_pieces;
    std::vector<char> m_buffer;
};

} // namespace devservice
