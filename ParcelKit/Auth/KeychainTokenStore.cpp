#include "KeychainTokenStore.h"

namespace ParcelKit {

KeychainTokenStore::KeychainTokenStore(QString service, QString account)
    : m_item(std::move(service), std::move(account)) {}

std::optional<Tokens> KeychainTokenStore::load() {
    const std::optional<QByteArray> data = m_item.read();
    if (!data)
        return std::nullopt;
    return Tokens::fromStoredForm(*data);
}

void KeychainTokenStore::save(const std::optional<Tokens>& tokens) {
    if (tokens)
        m_item.write(tokens->toStoredForm());
    else
        m_item.remove();
}

} // namespace ParcelKit
