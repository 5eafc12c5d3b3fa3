#include "FileChangedError.h"

#include "UploadMessages.h"

namespace ParcelKit {

FileChangedError::FileChangedError(const QString& filename)
    : m_message(UploadMessages::changed(filename)), m_what(m_message.toUtf8()) {}

} // namespace ParcelKit
