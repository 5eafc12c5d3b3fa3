// The S3 document readers on arbitrary bytes: they must neither crash nor throw, and a
// CompleteMultipartUpload body written from what they read must read back the same.
#include "S3XML.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace ParcelKit;

namespace {

// Carriage returns are normalised by any XML reader, and values are trimmed when read.
bool survivesABody(const QString& etag) {
    return !etag.contains(u'\r') && etag == etag.trimmed();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));

    S3XML::uploadID(bytes);
    S3XML::errorCode(bytes);
    S3XML::errorMessage(bytes);
    S3XML::records(bytes, {QStringLiteral("Key"), QStringLiteral("Bucket")});

    auto parts = S3XML::parts(bytes);
    if (!std::all_of(parts.cbegin(), parts.cend(),
                     [](const auto& part) { return survivesABody(part.etag); }))
        return 0;
    for (auto& part : parts)
        part.size = 0;
    std::stable_sort(parts.begin(), parts.end(),
                     [](const auto& a, const auto& b) { return a.partNumber < b.partNumber; });
    if (S3XML::parts(S3XML::completeBody(parts)) != parts)
        std::abort();
    return 0;
}
