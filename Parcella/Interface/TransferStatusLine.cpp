#include "TransferStatusLine.h"

#include "AppText.h"

#include <QRegularExpression>

namespace Parcella::TransferStatusLine {

QString of(bool isDeleted, const QDateTime& expiresAt, qint64 downloadCount, qint64 viewCount,
           const QDateTime& now, const QLocale& locale) {
    if (isDeleted)
        return AppText::tr("Deleted");
    if (expiresAt < now)
        return AppText::tr("Expired");
    return AppText::tr("%n downloads", nullptr, int(downloadCount)) + QStringLiteral(" · ") +
           AppText::tr("%n views", nullptr, int(viewCount)) + QStringLiteral(" · ") +
           AppText::tr("until %1").arg(abbreviatedDate(expiresAt.toLocalTime().date(), locale));
}

QString abbreviatedDate(const QDate& date, const QLocale& locale) {
    QString format = locale.dateFormat(QLocale::LongFormat);
    // The weekday and the separator after or before it go; full month names become short ones.
    static const QRegularExpression weekday(QStringLiteral("d{4}[,.]?\\s*|[,.]?\\s*d{4}"));
    format.remove(weekday);
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    return locale.toString(date, format);
}

} // namespace Parcella::TransferStatusLine
