#pragma once

#include <QString>

namespace ParcelKit {

// A JPEG rendition of a file that the service shows to recipients.
struct PreviewKind {
    // As the service names it.
    QString name;
    // Longest side in pixels; pictures are only ever scaled down to it.
    int longestSide = 0;
    // The JPEG must not be larger.
    qint64 byteLimit = 0;

    static PreviewKind thumbnail() { return {QStringLiteral("thumbnail"), 400, 524'288}; }
    static PreviewKind preview() { return {QStringLiteral("preview"), 2000, 4'194'304}; }

    bool operator==(const PreviewKind&) const = default;
};

} // namespace ParcelKit
