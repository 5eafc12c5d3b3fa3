#pragma once

#include "Protection.h"
#include "SendForm.h"

#include "Delivery.h"

#include <QByteArray>
#include <QList>
#include <QUuid>

#include <optional>

namespace Parcella {

// A send the user asked for whose uploads may still be running; kept in "pending-send.json" so
// that it survives a restart. The password is kept apart, in the keychain.
struct PendingSend {
    QList<QUuid> itemIDs;
    QString workspaceID;
    ParcelKit::Delivery delivery = ParcelKit::Delivery::link;
    QString recipients;
    QString subject;
    QString message;
    qint64 expiresInDays = 7;
    Protection protection = Protection::none;
    QString allowedEmails;

    SendForm form(const QString& password) const;

    QByteArray toJson() const;
    // All nine keys are required; anything missing or of another type gives none.
    static std::optional<PendingSend> fromJson(const QByteArray& json);

    bool operator==(const PendingSend&) const = default;
};

} // namespace Parcella
