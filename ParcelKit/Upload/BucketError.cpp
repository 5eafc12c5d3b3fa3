#include "BucketError.h"

namespace ParcelKit {

BucketError::BucketError(int status, std::optional<QString> message)
    : m_status(status), m_message(std::move(message)) {
    m_what = QStringLiteral("Storage answered %1%2")
                 .arg(status)
                 .arg(m_message ? QStringLiteral(": ") + *m_message : QString())
                 .toUtf8();
}

} // namespace ParcelKit
