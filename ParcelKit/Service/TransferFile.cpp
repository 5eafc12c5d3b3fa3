#include "TransferFile.h"

#include "WireDecoder.h"

namespace ParcelKit {

TransferFile TransferFile::fromJson(const QJsonValue& value) {
    const WireDecoder decoder(value);
    return {decoder.string("id"), decoder.string("filename"), decoder.integer("size")};
}

QJsonObject TransferFile::toJson() const {
    return {{"id", id}, {"filename", filename}, {"size", size}};
}

} // namespace ParcelKit
