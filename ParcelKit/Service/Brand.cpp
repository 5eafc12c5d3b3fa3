#include "Brand.h"

#include "WireDecoder.h"
#include "WireEncoder.h"

namespace ParcelKit {

Brand Brand::fromJson(const QJsonValue& value) {
    const WireDecoder decoder(value);
    Brand brand;
    brand.id = decoder.string("id");
    brand.name = decoder.string("name");
    brand.accentColor = decoder.optionalString("accent_color");
    brand.domain = decoder.optionalString("domain");
    return brand;
}

QJsonObject Brand::toJson() const {
    QJsonObject object{{"id", id}, {"name", name}};
    WireEncoder::insertIfPresent(object, "accent_color", accentColor);
    WireEncoder::insertIfPresent(object, "domain", domain);
    return object;
}

} // namespace ParcelKit
