#pragma once

#include <QJsonValue>

namespace ParcelKit {

// How a transfer reaches its recipients: a link the sender shares, or an e-mail the service sends.
enum class Delivery { link, email };

// Any text other than "link" or "email" throws DecodingError.
Delivery deliveryFromJson(const QJsonValue& value);
QJsonValue deliveryToJson(Delivery delivery);

} // namespace ParcelKit
