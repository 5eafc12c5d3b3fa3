#pragma once

#include "service/Database.h"

#include <string>

namespace devservice {

// One-time codes that open an e-mail-code protected transfer: six digits, valid for ten
// minutes, at most five wrong tries, one live code per address and transfer.
class AccessCodes {
public:
    static constexpr int maxAttempts = 5;
    static constexpr std::int64_t lifetimeMs = 10 * 60 * 1000;

    explicit AccessCodes(Database& database) : db_(database) {}

    // Replaces any earlier code of the address; returns the new code.
    std::string issue(const std::string& transferId, const std::string& email);
    // True once for the right code; the code is spent then.
    bool verify(const std::string& transferId, const std::string& email, const std::string& code);

private:
    Database& db_;
};

} // namespace devservice
