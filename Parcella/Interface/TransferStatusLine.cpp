#include "TransferStatusLine.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace Parcella::TransferStatusLine {

namespace {

QString tr(const char* text, qint64 n = -1) {
    return QCoreApplication::translate("TransferRow", text, nullptr, int(n));
}

} // namespace

QString of(bool isDeleted, const QDateTime& expiresAt, qint64 downloadCount, qint64 viewCount,
           const QDateTime& now, const QLocale& locale) {
    if (isDeleted)
        return tr("Deleted");
    if (expiresAt < now)
        return tr("Expired");
    return tr("%n downloads", downloadCount) + QStringLiteral(" · ") + tr("%n views", viewCount) +
           QStringLiteral(" · ") +
           tr("until %1").arg(abbreviatedDate(expiresAt.toLocalTime().date(), locale));
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
