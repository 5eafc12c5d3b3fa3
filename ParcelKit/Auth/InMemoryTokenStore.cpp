#include "InMemoryTokenStore.h"

namespace ParcelKit {

InMemoryTokenStore::InMemoryTokenStore(std::optional<Tokens> tokens)
    : m_storage(std::move(tokens)) {}

std::optional<Tokens> InMemoryTokenStore::load() {
    return m_storage.withLock([](const auto& stored) { return stored; });
}

void InMemoryTokenStore::save(const std::optional<Tokens>& tokens) {
    m_storage.withLock([&](auto& stored) { stored = tokens; });
}

} // namespace ParcelKit
