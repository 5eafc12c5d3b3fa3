#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace Parcella {

// The status line of a recent transfer: "Deleted", "Expired", or its counts and expiry date.
namespace TransferStatusLine {

QString of(bool isDeleted, const QDateTime& expiresAt, qint64 downloadCount, qint64 viewCount,
           const QDateTime& now = QDateTime::currentDateTimeUtc(), const QLocale& locale = {});
// The locale's long date without the weekday and with abbreviated month names ("Mar 1, 2025").
QString abbreviatedDate(const QDate& date, const QLocale& locale = {});

} // namespace TransferStatusLine

} // namespace Parcella
