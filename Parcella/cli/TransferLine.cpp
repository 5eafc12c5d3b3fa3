#include "TransferLine.h"

#include "AppText.h"

#include <cmath>

namespace Parcella {

using namespace ParcelKit;

namespace {

QString displayName(const Transfer& transfer) {
    if (transfer.title && !transfer.title->isEmpty())
        return *transfer.title;
    if (transfer.subject && !transfer.subject->isEmpty())
        return *transfer.subject;
    if (transfer.files.size() == 1)
        return transfer.files.first().filename;
    const qint64 count = transfer.fileCount.value_or(transfer.files.size());
    return AppText::tr("%n files", nullptr, int(count));
}

QString status(const Transfer& transfer, Timestamp now) {
    if (transfer.revokedAt)
        return AppText::tr("deleted");
    const double left = transfer.expiresAt.secondsSince(now);
    if (left <= 0)
        return AppText::tr("expired");
    const auto days = qint64(std::ceil(left / 86400.0));
    return AppText::tr("expires in %n days", nullptr, int(days));
}

} // namespace

QString TransferLine::describe(const Transfer& transfer, Timestamp now) {
    return QStringLiteral("%1  ·  %2, %3  ·  %4  ·  %5")
        .arg(displayName(transfer),
             AppText::tr("%n downloads", nullptr, int(transfer.downloadCount)),
             AppText::tr("%n views", nullptr, int(transfer.viewCount)), status(transfer, now),
             transfer.url ? transfer.url->toString() : transfer.id);
}

} // namespace Parcella
