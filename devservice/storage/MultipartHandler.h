#pragma once

#include "MultipartUploads.h"

#include <cstdint>

namespace devservice {

class ObjectStore;
class StorageCall;

// The multipart operations of the storage, on authenticated requests for an existing bucket
// and a valid key.
class MultipartHandler {
public:
    static constexpr std::size_t maxCompleteBodySize = 4 << 20;
    static constexpr int maxPartsPerPage = 1000;

    explicit MultipartHandler(MultipartUploads& uploads) : m_uploads(uploads) {}

    void create(StorageCall& call);
    void uploadPart(StorageCall& call);
    void listParts(StorageCall& call);
    void complete(StorageCall& call);
    void abort(StorageCall& call);

private:
    MultipartUploads& m_uploads;
};

} // namespace devservice
