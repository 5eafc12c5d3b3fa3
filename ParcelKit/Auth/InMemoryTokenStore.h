#pragma once

#include "Locked.h"
#include "TokenStore.h"

namespace ParcelKit {

// Keeps tokens for the lifetime of the process only, for uses without a keychain.
class InMemoryTokenStore : public TokenStore {
public:
    explicit InMemoryTokenStore(std::optional<Tokens> tokens = std::nullopt);

    std::optional<Tokens> load() override;
    void save(const std::optional<Tokens>& tokens) override;

private:
    Locked<std::optional<Tokens>> m_storage;
};

} // namespace ParcelKit
