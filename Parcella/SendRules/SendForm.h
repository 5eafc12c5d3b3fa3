#pragma once

#include "Protection.h"

#include "Delivery.h"
#include "NewTransfer.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace Parcella {

// What the user fills in to send: delivery, addresses, texts, expiry and protection.
struct SendForm {
    ParcelKit::Delivery delivery = ParcelKit::Delivery::link;
    QString recipients;
    QString subject;
    QString message;
    qint64 expiresInDays = 7;
    Protection protection = Protection::none;
    QString password;
    QString allowedEmails;

    // The first rule the form breaks, or none when it can be sent.
    std::optional<QString> validationMessage() const;
    ParcelKit::NewTransfer newTransfer(const QStringList& uploadIDs) const;

    bool operator==(const SendForm&) const = default;
};

// Counts user-perceived characters, so three emoji are three characters.
qsizetype perceivedLength(const QString& text);

} // namespace Parcella
