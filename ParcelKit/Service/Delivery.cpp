#include "Delivery.h"

#include "WireDecoder.h"

namespace ParcelKit {

Delivery deliveryFromJson(const QJsonValue& value) {
    const QString text = WireDecoder::toString(value);
    if (text == QLatin1String("link"))
        return Delivery::link;
    if (text == QLatin1String("email"))
        return Delivery::email;
    throw DecodingError(QStringLiteral("unknown delivery: ") + text);
}

QJsonValue deliveryToJson(Delivery delivery) {
    return delivery == Delivery::email ? QStringLiteral("email") : QStringLiteral("link");
}

} // namespace ParcelKit
