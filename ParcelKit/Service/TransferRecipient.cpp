#include "TransferRecipient.h"

#include "WireDecoder.h"
#include "WireEncoder.h"

namespace ParcelKit {

TransferRecipient TransferRecipient::fromJson(const QJsonValue& value) {
    const WireDecoder decoder(value);
    return {decoder.string("email"), decoder.optionalDate("viewed_at"),
            decoder.optionalDate("downloaded_at")};
}

QJsonObject TransferRecipient::toJson() const {
    QJsonObject object{{"email", email}};
    WireEncoder::insertIfPresent(object, "viewed_at", viewedAt, WireEncoder::fromDate);
    WireEncoder::insertIfPresent(object, "downloaded_at", downloadedAt, WireEncoder::fromDate);
    return object;
}

} // namespace ParcelKit
