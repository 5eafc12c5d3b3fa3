#include "Transfer.h"

#include "WireDecoder.h"
#include "WireEncoder.h"

namespace ParcelKit {

Transfer Transfer::fromJson(const QJsonValue& value) {
    const WireDecoder decoder(value);
    Transfer transfer;
    transfer.id = decoder.string("id");
    transfer.url = decoder.optionalURL("url");
    transfer.delivery = decoder.required("delivery", deliveryFromJson);
    transfer.title = decoder.optionalString("title");
    transfer.subject = decoder.optionalString("subject");
    transfer.message = decoder.optionalString("message");
    transfer.recipients = decoder.optionalList<TransferRecipient>("recipients");
    transfer.protection = decoder.optionalString("protection");
    transfer.fileCount = decoder.optionalInteger("file_count");
    transfer.totalSize = decoder.optionalInteger("total_size");
    transfer.expiresAt = decoder.date("expires_at");
    transfer.sentAt = decoder.optionalDate("sent_at");
    transfer.revokedAt = decoder.optionalDate("revoked_at");
    transfer.createdAt = decoder.optionalDate("created_at");
    transfer.downloadCount = decoder.optionalInteger("download_count").value_or(0);
    transfer.downloadedAt = decoder.optionalDate("downloaded_at");
    transfer.viewCount = decoder.optionalInteger("view_count").value_or(0);
    transfer.viewedAt = decoder.optionalDate("viewed_at");
    transfer.files = decoder.optionalList<TransferFile>("files");
    return transfer;
}

QJsonObject Transfer::toJson() const {
    QJsonObject object{{"id", id},
                       {"delivery", deliveryToJson(delivery)},
                       {"recipients", WireEncoder::fromList(recipients)},
                       {"expires_at", WireEncoder::fromDate(expiresAt)},
                       {"download_count", downloadCount},
                       {"view_count", viewCount},
                       {"files", WireEncoder::fromList(files)}};
    WireEncoder::insertIfPresent(object, "url", url, WireEncoder::fromURL);
    WireEncoder::insertIfPresent(object, "title", title);
    WireEncoder::insertIfPresent(object, "subject", subject);
    WireEncoder::insertIfPresent(object, "message", message);
    WireEncoder::insertIfPresent(object, "protection", protection);
    WireEncoder::insertIfPresent(object, "file_count", fileCount);
    WireEncoder::insertIfPresent(object, "total_size", totalSize);
    WireEncoder::insertIfPresent(object, "sent_at", sentAt, WireEncoder::fromDate);
    WireEncoder::insertIfPresent(object, "revoked_at", revokedAt, WireEncoder::fromDate);
    WireEncoder::insertIfPresent(object, "created_at", createdAt, WireEncoder::fromDate);
    WireEncoder::insertIfPresent(object, "downloaded_at", downloadedAt, WireEncoder::fromDate);
    WireEncoder::insertIfPresent(object, "viewed_at", viewedAt, WireEncoder::fromDate);
    return object;
}

} // namespace ParcelKit
