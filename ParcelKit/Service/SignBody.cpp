#include "SignBody.h"

#include "WireEncoder.h"

namespace ParcelKit {

QJsonObject SignBody::toJson() const {
    QJsonObject object{{"method", method}, {"key", key}};
    WireEncoder::insertIfPresent(object, "uploadId", uploadId);
    WireEncoder::insertIfPresent(object, "partNumber", partNumber);
    WireEncoder::insertIfPresent(object, "contentType", contentType);
    return object;
}

} // namespace ParcelKit
