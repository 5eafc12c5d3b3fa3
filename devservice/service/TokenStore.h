#pragma once

#include "service/Database.h"

#include <chrono>
#include <optional>
#include <string>
#include <variant>

namespace devservice {

// An RFC 6749 error answer of the token endpoint.
struct OAuthError {
    int status = 400;
    std::string error;
    std::string description;
};

// Authorization codes and token grants. Only hashes of codes and tokens are stored, so the data
// folder does not hand out sessions.
class TokenStore {
public:
    struct Tokens {
        std::string accessToken;
        std::string refreshToken;
        std::chrono::seconds expiresIn;
    };
    using Result = std::variant<Tokens, OAuthError>;

    TokenStore(Database& database, std::chrono::seconds accessTokenLifetime,
               std::chrono::seconds codeLifetime)
        : db_(database), accessTokenLifetime_(accessTokenLifetime), codeLifetime_(codeLifetime) {}

    std::string issueCode(const std::string& clientId, const std::string& redirectUri,
                          const std::string& challenge, const std::string& userId);
    // PKCE S256; a code is spent by its first redemption attempt, right or wrong.
    Result redeemCode(const std::string& code, const std::string& clientId,
                      const std::string& redirectUri, const std::string& verifier);
    // Rotation: the grant behind the refresh token is revoked and a new one issued. A client
    // whose refresh answer was lost retries with the old token: within refreshGrace of the
    // rotation, and while the new tokens are unused, that one retry replaces them.
    Result refresh(const std::string& refreshToken, const std::string& clientId);
    // The user of a valid, unexpired access token; its first use ends the grace period of the
    // token it replaced.
    std::optional<std::string> authenticate(const std::string& accessToken) const;
    // Revokes the grant of the access token (and with it its refresh token).
    bool revoke(const std::string& accessToken);

    static constexpr std::chrono::seconds refreshGrace{60};

    static bool isWellFormedVerifier(const std::string& verifier);
    static std::string challengeFor(const std::string& verifier);

private:
    Result replaceUnusedSuccessor(Database::Access& db, std::int64_t grantId,
                                  const std::string& userId, const std::string& clientId);
    Tokens issue(Database::Access& db, const std::string& userId, const std::string& clientId,
                 const std::optional<std::string>& codeHash);

    Database& db_;
    std::chrono::seconds accessTokenLifetime_;
    std::chrono::seconds codeLifetime_;
};

} // namespace devservice
