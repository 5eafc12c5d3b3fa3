#include "TransferRows.h"

#include "DisplayName.h"

namespace Parcella::TransferRows {

using ParcelKit::Timestamp;
using ParcelKit::Transfer;

QByteArrayList roleNames() {
    return {"transferID", "url",           "displayName", "isEmail",   "recipients",
            "protection", "fileCount",     "totalSize",   "expiresAt", "sentAt",
            "isDeleted",  "downloadCount", "viewCount"};
}

namespace {

QVariant date(const std::optional<Timestamp>& timestamp) {
    return timestamp ? QVariant(timestamp->toDateTime()) : QVariant();
}

} // namespace

QList<DiffListModel::Row> rows(const QList<Transfer>& transfers) {
    QList<DiffListModel::Row> rows;
    rows.reserve(transfers.size());
    for (const Transfer& transfer : transfers) {
        QStringList recipients;
        for (const auto& recipient : transfer.recipients)
            recipients.append(recipient.email);
        rows.append({transfer.id,
                     {transfer.id, transfer.url.value_or(QUrl()), displayName(transfer),
                      transfer.delivery == ParcelKit::Delivery::email, recipients,
                      transfer.protection.value_or(QString()),
                      transfer.fileCount.value_or(transfer.files.size()),
                      transfer.totalSize ? QVariant(*transfer.totalSize) : QVariant(),
                      transfer.expiresAt.toDateTime(), date(transfer.sentAt),
                      transfer.revokedAt.has_value(), transfer.downloadCount, transfer.viewCount}});
    }
    return rows;
}

} // namespace Parcella::TransferRows
