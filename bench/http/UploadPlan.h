#pragma once

#include <QUrl>

// What every contender uploads: `parts` bodies of `partSize` bytes, `inFlight` at a time, each
// to its own path below `target`.
struct UploadPlan {
    QUrl target;
    qint64 partSize = 16 * 1024 * 1024;
    int parts = 64;
    int inFlight = 3;

    qint64 totalBytes() const { return partSize * parts; }
    QUrl partURL(const QString& contender, int part) const {
        QUrl url = target;
        url.setPath(QStringLiteral("/bench/%1/%2").arg(contender).arg(part));
        return url;
    }
};
