#include "service/TokenStore.h"

#include "service/Clock.h"
#include "service/Secrets.h"

namespace devservice {

namespace {
OAuthError invalidGrant(const std::string& description) {
    return {400, "invalid_grant", description};
}
} // namespace

bool TokenStore::isWellFormedVerifier(const std::string& verifier) {
    if (verifier.size() < 43 || verifier.size() > 128)
        return false;
    for (const unsigned char c : verifier)
        if (!std::isalnum(c) && c != '-' && c != '.' && c != '_' && c != '~')
            return false;
    return true;
}

std::string TokenStore::challengeFor(const std::string& verifier) {
    return Secrets::base64Url(Secrets::sha256(verifier));
}

std::string TokenStore::issueCode(const std::string& clientId, const std::string& redirectUri,
                                  const std::string& challenge, const std::string& userId) {
    const auto code = Secrets::randomUrlSafe(32);
    const auto expiresAt =
        Clock::nowMs() +
        std::chrono::duration_cast<std::chrono::milliseconds>(codeLifetime_).count();
    db_.withLock([&](Database::Access& db) {
        db.prepare("DELETE FROM auth_codes WHERE expires_at < ?1").bind(1, Clock::nowMs()).run();
        db.prepare("INSERT INTO auth_codes(code_hash, client_id, redirect_uri, challenge, user_id, "
                   "expires_at) VALUES(?1, ?2, ?3, ?4, ?5, ?6)")
            .bindAll(Secrets::sha256Hex(code), clientId, redirectUri, challenge, userId, expiresAt)
            .run();
    });
    return code;
}

TokenStore::Result TokenStore::redeemCode(const std::string& code, const std::string& clientId,
                                          const std::string& redirectUri,
                                          const std::string& verifier) {
    const auto codeHash = Secrets::sha256Hex(code);
    return db_.withLock([&](Database::Access& db) -> Result {
        return db.transaction([&]() -> Result {
            auto st = db.prepare("SELECT client_id, redirect_uri, challenge, user_id, expires_at, "
                                 "used FROM auth_codes WHERE code_hash = ?1");
            st.bind(1, codeHash);
            if (!st.next())
                return invalidGrant("The authorization code is not valid.");
            const auto boundClient = st.text(0);
            const auto boundRedirect = st.text(1);
            const auto challenge = st.text(2);
            const auto userId = st.text(3);
            const auto expiresAt = st.integer(4);
            if (st.integer(5) != 0) {
                // A replayed code may mean it leaked: what it bought is withdrawn too.
                db.prepare("UPDATE grants SET revoked = 1 WHERE code_hash = ?1")
                    .bind(1, codeHash)
                    .run();
                return invalidGrant("The authorization code was already used.");
            }
            db.prepare("UPDATE auth_codes SET used = 1 WHERE code_hash = ?1")
                .bind(1, codeHash)
                .run();
            if (expiresAt < Clock::nowMs())
                return invalidGrant("The authorization code has expired.");
            if (boundClient != clientId)
                return invalidGrant("The authorization code was issued to another client.");
            if (boundRedirect != redirectUri)
                return invalidGrant("The redirect URI does not match the authorization request.");
            if (!isWellFormedVerifier(verifier) ||
                !Secrets::constantTimeEquals(challengeFor(verifier), challenge))
                return invalidGrant("The code verifier does not match the code challenge.");
            return issue(db, userId, clientId, codeHash);
        });
    });
}

TokenStore::Result TokenStore::refresh(const std::string& refreshToken,
                                       const std::string& clientId) {
    const auto refreshHash = Secrets::sha256Hex(refreshToken);
    return db_.withLock([&](Database::Access& db) -> Result {
        return db.transaction([&]() -> Result {
            auto st = db.prepare("SELECT id, user_id, client_id, revoked FROM grants WHERE "
                                 "refresh_hash = ?1");
            st.bind(1, refreshHash);
            if (!st.next())
                return invalidGrant("The refresh token is not valid.");
            if (st.text(2) != clientId)
                return invalidGrant("The refresh token was issued to another client.");
            const auto grantId = st.integer(0);
            const auto userId = st.text(1);
            if (st.integer(3) != 0)
                return replaceUnusedSuccessor(db, grantId, userId, clientId);
            db.prepare("UPDATE grants SET revoked = 1 WHERE id = ?1").bind(1, grantId).run();
            const Tokens tokens = issue(db, userId, clientId, std::nullopt);
            db.prepare("INSERT INTO rotations(grant_id, successor_id, rotated_at) "
                       "VALUES(?1, ?2, ?3)")
                .bindAll(grantId, db.lastInsertId(), Clock::nowMs())
                .run();
            return tokens;
        });
    });
}

TokenStore::Result TokenStore::replaceUnusedSuccessor(Database::Access& db, std::int64_t grantId,
                                                      const std::string& userId,
                                                      const std::string& clientId) {
    auto st =
        db.prepare("SELECT r.successor_id, r.rotated_at, r.successor_used, g.revoked FROM "
                   "rotations r JOIN grants g ON g.id = r.successor_id WHERE r.grant_id = ?1");
    st.bind(1, grantId);
    const auto graceMs = std::chrono::duration_cast<std::chrono::milliseconds>(refreshGrace);
    if (!st.next() || st.integer(2) != 0 || st.integer(3) != 0 ||
        Clock::nowMs() - st.integer(1) > graceMs.count())
        return invalidGrant("The refresh token is not valid.");
    const auto successorId = st.integer(0);
    // Once only: the retry's tokens replace the unused ones and the old token is spent.
    db.prepare("UPDATE grants SET revoked = 1 WHERE id = ?1").bind(1, successorId).run();
    db.prepare("DELETE FROM rotations WHERE grant_id = ?1").bind(1, grantId).run();
    return issue(db, userId, clientId, std::nullopt);
}

TokenStore::Tokens TokenStore::issue(Database::Access& db, const std::string& userId,
                                     const std::string& clientId,
                                     const std::optional<std::string>& codeHash) {
    Tokens tokens{Secrets::randomUrlSafe(32), Secrets::randomUrlSafe(32), accessTokenLifetime_};
    const auto expiresAt =
        Clock::nowMs() +
        std::chrono::duration_cast<std::chrono::milliseconds>(accessTokenLifetime_).count();
    db.prepare("INSERT INTO grants(user_id, client_id, access_hash, refresh_hash, "
               "access_expires_at, code_hash) VALUES(?1, ?2, ?3, ?4, ?5, ?6)")
        .bindAll(userId, clientId, Secrets::sha256Hex(tokens.accessToken),
                 Secrets::sha256Hex(tokens.refreshToken), expiresAt, codeHash)
        .run();
    return tokens;
}

std::optional<std::string> TokenStore::authenticate(const std::string& accessToken) const {
    return db_.withLock([&](Database::Access& db) -> std::optional<std::string> {
        auto st = db.prepare("SELECT user_id, id FROM grants WHERE access_hash = ?1 AND "
                             "revoked = 0 AND access_expires_at > ?2");
        st.bindAll(Secrets::sha256Hex(accessToken), Clock::nowMs());
        if (!st.next())
            return std::nullopt;
        db.prepare("UPDATE rotations SET successor_used = 1 WHERE successor_id = ?1 AND "
                   "successor_used = 0")
            .bind(1, st.integer(1))
            .run();
        return st.text(0);
    });
}

bool TokenStore::revoke(const std::string& accessToken) {
    return db_.withLock([&](Database::Access& db) {
        db.prepare("UPDATE grants SET revoked = 1 WHERE access_hash = ?1 AND revoked = 0")
            .bind(1, Secrets::sha256Hex(accessToken))
            .run();
        return db.changes() > 0;
    });
}

} // namespace devservice
