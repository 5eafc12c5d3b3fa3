#include "Bookmark.h"

#include <QFileInfo>
#include <QUrl>

namespace ParcelKit::Bookmark {

QByteArray make(const QString& path) {
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded();
}

std::optional<QString> resolve(const QByteArray& bookmark) {
    const QUrl url = QUrl::fromEncoded(bookmark, QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile())
        return std::nullopt;
    const QString path = url.toLocalFile();
    if (!QFileInfo::exists(path))
        return std::nullopt;
    return path;
}

QString locate(const std::optional<QByteArray>& bookmark, const QString& path) {
    if (bookmark) {
        if (auto resolved = resolve(*bookmark))
            return *resolved;
    }
    return path;
}

} // namespace ParcelKit::Bookmark
