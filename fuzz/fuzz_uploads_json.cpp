// The "uploads.json" decoder on arbitrary bytes: it either refuses the file with its own error or
// gives records that encode to a file decoding to the same records, byte for byte stable. The
// incremental encoder of the saves writes the same bytes, also when the list changes order.
#include "RecordsEncoder.h"
#include "StoredJSONError.h"
#include "UploadStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace ParcelKit;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<UploadRecord> records;
    try {
        records = UploadStore::decode(bytes);
    } catch (const StoredJSONError&) {
        return 0;
    }
    for (const auto& record : records)
        record.confirmedBytes();
    const auto encoded = UploadStore::encode(records);
    const auto decoded = UploadStore::decode(encoded);
    if (decoded != records || UploadStore::encode(decoded) != encoded)
        std::abort();
    RecordsEncoder encoder;
    const QList<UploadRecord> reversed(records.crbegin(), records.crend());
    if (encoder.encode(records) != encoded ||
        encoder.encode(reversed) != UploadStore::encode(reversed))
        std::abort();
    return 0;
}
