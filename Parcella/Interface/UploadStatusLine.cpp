#include "UploadStatusLine.h"

#include "AppText.h"

#include <QLocale>

namespace Parcella {

namespace {

// A finished upload not sent within six and a half days is gone from the storage by the time a
// transfer could use it.
constexpr qint64 finishedLifetimeSeconds = 561'600;

} // namespace

UploadStatusLine UploadStatusLine::of(const QString& state, qint64 bytesSent, qint64 byteCount,
                                      const QString& message, const QDateTime& finishedAt,
                                      const QDateTime& now, const QString& pace, bool isPaused) {
    const bool active = state == QLatin1String("queued") || state == QLatin1String("uploading");
    if (active && isPaused)
        return {AppText::tr("Paused · ") + UploadStatusLine::byteCount(bytesSent) +
                AppText::tr(" of ") + UploadStatusLine::byteCount(byteCount)};
    if (state == QLatin1String("queued"))
        return {AppText::tr("Waiting · ") + UploadStatusLine::byteCount(byteCount)};
    if (state == QLatin1String("uploading"))
        return {UploadStatusLine::byteCount(bytesSent) + AppText::tr(" of ") +
                UploadStatusLine::byteCount(byteCount) +
                (pace.isEmpty() ? QString() : QStringLiteral(" · ") + pace)};
    if (state == QLatin1String("finished")) {
        if (finishedAt.isValid() && finishedAt.secsTo(now) > finishedLifetimeSeconds)
            return {
                AppText::tr("Expired after 7 days without being sent. Remove it and add it again."),
                true};
        return {AppText::tr("Uploaded · ") + UploadStatusLine::byteCount(byteCount)};
    }
    if (state == QLatin1String("failed"))
        return {message, true};
    return {AppText::tr("Cancelled")};
}

QString UploadStatusLine::byteCount(qint64 bytes) {
    if (bytes == 0)
        return AppText::tr("Zero kB");
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

} // namespace Parcella
