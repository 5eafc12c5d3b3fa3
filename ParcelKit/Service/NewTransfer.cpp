#include "NewTransfer.h"

#include "WireEncoder.h"

namespace ParcelKit {

QJsonObject NewTransfer::toJson() const {
    QJsonObject object{{"uploads", WireEncoder::fromStrings(uploadIDs)},
                       {"delivery", deliveryToJson(delivery)},
                       {"expires_in", expiresInDays},
                       {"email_code", emailCode}};
    if (delivery == Delivery::email)
        object.insert("recipients", WireEncoder::fromStrings(recipients));
    WireEncoder::insertIfPresent(object, "subject", subject);
    WireEncoder::insertIfPresent(object, "message", message);
    WireEncoder::insertIfPresent(object, "password", password);
    if (delivery == Delivery::link && emailCode)
        object.insert("allowed_emails", WireEncoder::fromStrings(allowedEmails));
    return object;
}

} // namespace ParcelKit
