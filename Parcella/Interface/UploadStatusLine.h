#pragma once

#include <QDateTime>
#include <QString>

namespace Parcella {

// The one status line under an upload's name, and whether it reads as a fault (shown in red).
struct UploadStatusLine {
    QString text;
    bool isAlert = false;

    // `state` is the upload state's name ("queued", "uploading", "finished", "failed",
    // "cancelled"); `message` the stored failure message; `pace` the rate and time left of an
    // upload, once known; `isPaused` whether a queued or uploading item is paused.
    static UploadStatusLine of(const QString& state, qint64 bytesSent, qint64 byteCount,
                               const QString& message, const QDateTime& finishedAt,
                               const QDateTime& now = QDateTime::currentDateTimeUtc(),
                               const QString& pace = {}, bool isPaused = false);
    // Decimal units, zero spelled out.
    static QString byteCount(qint64 bytes);
};

} // namespace Parcella
