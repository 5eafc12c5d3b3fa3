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
QString notUnderstood();
QString partSizeTooSmall();

} // namespace UploadMessages

} // namespace ParcelKit
