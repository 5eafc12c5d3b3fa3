#pragma once

#include <QString>

namespace ParcelKit {

// The upload engine's user-facing texts, localized, with the file name put in.
namespace UploadMessages {

QString notFound(const QString& filename);
QString unreadable(const QString& filename);
QString tooLarge(const QString& filename);
QString changed(const QString& filename);
QString cancelledOnServer();
QString partSizeTooSmall();
QString tooManyParts(const QString& filename, qint64 smallestPartSize);

} // namespace UploadMessages

} // namespace ParcelKit
