#include "Me.h"

#include "WireDecoder.h"
#include "WireEncoder.h"

namespace ParcelKit {

Me Me::fromJson(const QJsonValue& value) {
    const WireDecoder decoder(value);
    Me me;
    me.id = decoder.string("id");
    me.name = decoder.string("name");
    me.email = decoder.string("email");
    me.locale = decoder.string("locale");
    me.workspaces = decoder.list<Workspace>("workspaces");
    return me;
}

QJsonObject Me::toJson() const {
    return {{"id", id},
            {"name", name},
            {"email", email},
            {"locale", locale},
            {"workspaces", WireEncoder::fromList(workspaces)}};
}

} // namespace ParcelKit
