#include "SignedRequest.h"

#include "WireDecoder.h"
#include "WireEncoder.h"

namespace ParcelKit {

SignedRequest SignedRequest::fromJson(const QJsonValue& value) {
    const WireDecoder decoder(value);
    return {decoder.url("url"), decoder.optional("headers", WireDecoder::toStringMap),
            decoder.optionalString("key")};
}

QJsonObject SignedRequest::toJson() const {
    QJsonObject object{{"url", WireEncoder::fromURL(url)}};
    WireEncoder::insertIfPresent(object, "headers", headers, WireEncoder::fromStringMap);
    WireEncoder::insertIfPresent(object, "key", key);
    return object;
}

} // namespace ParcelKit
