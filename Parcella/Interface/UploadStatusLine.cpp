#include "UploadStatusLine.h"

#include <QCoreApplication>
#include <QLocale>

namespace Parcella {

namespace {

// A finished upload not sent within six and a half days is gone from the storage by the time a
// transfer could use it.
constexpr qint64 finishedLifetimeSeconds = 561'600;

QString tr(const char* text) {
    return QCoreApplication::translate("UploadRow", text);
}

} // namespace

UploadStatusLine UploadStatusLine::of(const QString& state, qint64 bytesSent, qint64 byteCount,
                                      const QString& message, const QDateTime& finishedAt,
                                      const QDateTime& now, const QString& pace, bool isPaused) {
    const bool active = state == QLatin1String("queued") || state == QLatin1String("uploading");
    if (active && isPaused)
        return {tr("Paused · ") + UploadStatusLine::byteCount(bytesSent) + tr(" of ") +
                UploadStatusLine::byteCount(byteCount)};
    if (state == QLatin1String("queued"))
        return {tr("Waiting · ") + UploadStatusLine::byteCount(byteCount)};
    if (state == QLatin1String("uploading"))
        return {UploadStatusLine::byteCount(bytesSent) + tr(" of ") +
                UploadStatusLine::byteCount(byteCount) +
                (pace.isEmpty() ? QString() : QStringLiteral(" · ") + pace)};
    if (state == QLatin1String("finished")) {
        if (finishedAt.isValid() && finishedAt.secsTo(now) > finishedLifetimeSeconds)
            return {tr("Expired after 7 days without being sent. Remove it and add it again."),
                    true};
        return {tr("Uploaded · ") + UploadStatusLine::byteCount(byteCount)};
    }
    if (state == QLatin1String("failed"))
        return {message, true};
    return {tr("Cancelled")};
}

QString UploadStatusLine::byteCount(qint64 bytes) {
    if (bytes == 0)
        return QCoreApplication::translate("ByteCount", "Zero KB");
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

} // namespace Parcella
