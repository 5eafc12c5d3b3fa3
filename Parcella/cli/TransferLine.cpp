#include "TransferLine.h"

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
    return count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count);
}

QString status(const Transfer& transfer, Timestamp now) {
    if (transfer.revokedAt)
        return QStringLiteral("deleted");
    const double left = transfer.expiresAt.secondsSince(now);
    if (left <= 0)
        return QStringLiteral("expired");
    const auto days = qint64(std::ceil(left / 86400.0));
    return days == 1 ? QStringLiteral("expires in 1 day")
                     : QStringLiteral("expires in %1 days").arg(days);
}

QString counted(qint64 count, const char* one, const char* many) {
    return count == 1 ? QString::fromLatin1(one) : QString::fromLatin1(many).arg(count);
}

} // namespace

QString TransferLine::describe(const Transfer& transfer, Timestamp now) {
    return QStringLiteral("%1  ·  %2, %3  ·  %4  ·  %5")
        .arg(displayName(transfer), counted(transfer.downloadCount, "1 download", "%1 downloads"),
             counted(transfer.viewCount, "1 view", "%1 views"), status(transfer, now),
             transfer.url ? transfer.url->toString() : transfer.id);
}

} // namespace Parcella
