#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace ParcelKit {

// A lasting reference to a user's file: its absolute file URL as UTF-8 bytes.
namespace Bookmark {

QByteArray make(const QString& path);
// The path of the bookmarked file while it exists; absent when the bookmark is not a file URL or
// the file is gone.
std::optional<QString> resolve(const QByteArray& bookmark);
// The file to open for a record: the resolved bookmark, else the stored path.
QString locate(const std::optional<QByteArray>& bookmark, const QString& path);

} // namespace Bookmark

} // namespace ParcelKit
