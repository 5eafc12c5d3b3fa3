#include "PendingSend.h"

#include "DecodingError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace Parcella {

SendForm PendingSend::form(const QString& password) const {
    SendForm form;
    form.delivery = delivery;
    form.recipients = recipients;
    form.subject = subject;
    form.message = message;
    form.expiresInDays = expiresInDays;
    form.protection = protection;
    form.password = protection == Protection::password ? password : QString();
    form.allowedEmails = allowedEmails;
    return form;
}

QByteArray PendingSend::toJson() const {
    QJsonArray ids;
    for (const QUuid& id : itemIDs)
        ids.append(id.toString(QUuid::WithoutBraces).toUpper());
    const QJsonObject object{
        {QStringLiteral("itemIDs"), ids},
        {QStringLiteral("workspaceID"), workspaceID},
        {QStringLiteral("delivery"), ParcelKit::deliveryToJson(delivery)},
        {QStringLiteral("recipients"), recipients},
        {QStringLiteral("subject"), subject},
        {QStringLiteral("message"), message},
        {QStringLiteral("expiresInDays"), double(expiresInDays)},
        {QStringLiteral("protection"), protectionCode(protection)},
        {QStringLiteral("allowedEmails"), allowedEmails},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

namespace {

std::optional<QString> text(const QJsonObject& object, const char* key) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<QUuid> uuid(const QJsonValue& value) {
    if (!value.isString() || value.toString().size() != 36)
        return std::nullopt;
    const QUuid id = QUuid::fromString(value.toString());
    if (id.isNull() && value.toString() != QStringLiteral("00000000-0000-0000-0000-000000000000"))
        return std::nullopt;
    return id;
}

} // namespace

std::optional<PendingSend> PendingSend::fromJson(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();

    PendingSend pending;
    const QJsonValue ids = object.value(QStringLiteral("itemIDs"));
    if (!ids.isArray())
        return std::nullopt;
    for (const QJsonValue& value : ids.toArray()) {
        const auto id = uuid(value);
        if (!id)
            return std::nullopt;
        pending.itemIDs.append(*id);
    }

    const auto workspaceID = text(object, "workspaceID");
    const auto delivery = text(object, "delivery");
    const auto recipients = text(object, "recipients");
    const auto subject = text(object, "subject");
    const auto message = text(object, "message");
    const auto protection = text(object, "protection");
    const auto allowedEmails = text(object, "allowedEmails");
    const QJsonValue days = object.value(QStringLiteral("expiresInDays"));
    if (!workspaceID || !delivery || !recipients || !subject || !message || !protection ||
        !allowedEmails || !days.isDouble())
        return std::nullopt;
    const double dayCount = days.toDouble();
    if (dayCount != std::floor(dayCount) || std::abs(dayCount) > 1e15)
        return std::nullopt;
    const auto protectionCase = protectionFromCode(*protection);
    if (!protectionCase)
        return std::nullopt;
    try {
        pending.delivery = ParcelKit::deliveryFromJson(*delivery);
    } catch (const ParcelKit::DecodingError&) {
        return std::nullopt;
    }
    pending.workspaceID = *workspaceID;
    pending.recipients = *recipients;
    pending.subject = *subject;
    pending.message = *message;
    pending.expiresInDays = qint64(dayCount);
    pending.protection = *protectionCase;
    pending.allowedEmails = *allowedEmails;
    return pending;
}

} // namespace Parcella
