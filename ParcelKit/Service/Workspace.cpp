#include "Workspace.h"

#include "WireDecoder.h"
#include "WireEncoder.h"

namespace ParcelKit {

Workspace Workspace::fromJson(const QJsonValue& value) {
    const WireDecoder decoder(value);
    Workspace workspace;
    workspace.id = decoder.string("id");
    workspace.name = decoder.string("name");
    workspace.role = decoder.optionalString("role").value_or(workspace.role);
    workspace.defaultBrandID = decoder.optionalString("default_brand_id");
    workspace.brands = decoder.optionalList<Brand>("brands");
    return workspace;
}

QJsonObject Workspace::toJson() const {
    QJsonObject object{
        {"id", id}, {"name", name}, {"role", role}, {"brands", WireEncoder::fromList(brands)}};
    WireEncoder::insertIfPresent(object, "default_brand_id", defaultBrandID);
    return object;
}

} // namespace ParcelKit
