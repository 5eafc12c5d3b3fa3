#pragma once

#include "Delivery.h"

#include <QJsonObject>
#include <QStringList>

#include <optional>

namespace ParcelKit {

// The request body that creates a transfer from confirmed uploads.
struct NewTransfer {
    // ConfirmedUpload ids, in the order the files should appear.
    QStringList uploadIDs;
    Delivery delivery = Delivery::link;
    QStringList recipients;
    std::optional<QString> subject;
    std::optional<QString> message;
    qint64 expiresInDays = 0;
    std::optional<QString> password;
    // Protect with a one-time code sent by e-mail.
    bool emailCode = false;
    // Addresses or domains that may request the code.
    QStringList allowedEmails;

    // Recipients go out only for e-mail delivery, allowed addresses only for a code-protected
    // link; the other fields of that kind are dropped rather than sent for the wrong delivery.
    QJsonObject toJson() const;

    bool operator==(const NewTransfer&) const = default;
};

} // namespace ParcelKit
