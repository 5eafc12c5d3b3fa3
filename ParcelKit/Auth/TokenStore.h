#pragma once

#include "Tokens.h"

#include <optional>

namespace ParcelKit {

// Persists the session's tokens; it never judges their expiry or validity. Implementations are
// safe to call from any thread.
class TokenStore {
public:
    virtual ~TokenStore() = default;

    // The stored tokens, or none. Throws when the store cannot be read.
    virtual std::optional<Tokens> load() = 0;
    // Replaces the stored tokens; saving none deletes them. Throws when the store cannot be
    // written.
    virtual void save(const std::optional<Tokens>& tokens) = 0;
};

} // namespace ParcelKit
