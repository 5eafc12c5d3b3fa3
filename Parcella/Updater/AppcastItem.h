#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>
#include <QVersionNumber>

namespace Parcella {

// One release as the update feed announces it.
struct AppcastItem {
    // Compared with the running version; only a greater one is an update.
    QVersionNumber version;
    // What the user sees; the version's text when the feed has none.
    QString shortVersionString;
    QDateTime publicationDate;
    QUrl releaseNotesLink;
    QUrl archiveURL;
    qint64 length = 0;
    // Base64 of the archive's Ed25519 signature.
    QByteArray signature;

    bool operator==(const AppcastItem&) const = default;
};

} // namespace Parcella
