#include "KeychainError.h"

#include "EngineText.h"

namespace ParcelKit {

KeychainError::KeychainError(int status, QString message)
    : m_status(status), m_message(std::move(message)), m_what(userText().toUtf8()) {}

QString KeychainError::userText() const {
    if (!m_message.isEmpty())
        return m_message;
    return EngineText::tr("Keychain error %lld").replace("%lld", QString::number(m_status));
}

} // namespace ParcelKit
