#include "SendForm.h"

#include "Addresses.h"
#include "AppText.h"

#include <QTextBoundaryFinder>

namespace Parcella {

using ParcelKit::Delivery;

qsizetype perceivedLength(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

std::optional<QString> SendForm::validationMessage() const {
    if (delivery == Delivery::email && addresses(recipients).isEmpty())
        return AppText::tr("Add at least one recipient.");
    if (protection == Protection::password && perceivedLength(password) < 4)
        return AppText::tr("The password needs at least 4 characters.");
    if (protection == Protection::emailCode && delivery == Delivery::link &&
        addresses(allowedEmails).isEmpty())
        return AppText::tr("Add who can ask for a code.");
    return std::nullopt;
}

namespace {
std::optional<QString> trimmedOrNone(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}
} // namespace

ParcelKit::NewTransfer SendForm::newTransfer(const QStringList& uploadIDs) const {
    ParcelKit::NewTransfer body;
    body.uploadIDs = uploadIDs;
    body.delivery = delivery;
    if (delivery == Delivery::email)
        body.recipients = addresses(recipients);
    body.subject = trimmedOrNone(subject);
    body.message = trimmedOrNone(message);
    body.expiresInDays = expiresInDays;
    if (protection == Protection::password)
        body.password = password;
    body.emailCode = protection == Protection::emailCode;
    if (protection == Protection::emailCode && delivery == Delivery::link) {
        for (const QString& address : addresses(allowedEmails))
            body.allowedEmails.append(address.toLower());
    }
    return body;
}

} // namespace Parcella
