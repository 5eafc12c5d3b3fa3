#include "service/AccessCodes.h"

#include "service/Clock.h"
#include "service/Secrets.h"

namespace devservice {

namespace {
std::string codeHash(const std::string& transferId, const std::string& email,
                     const std::string& code) {
    return Secrets::sha256Hex(transferId + "\n" + email + "\n" + code);
}
} // namespace

std::string AccessCodes::issue(const std::string& transferId, const std::string& email) {
    const auto code = Secrets::randomDigits(6);
    db_.withLock([&](Database::Access& db) {
        db.prepare("INSERT OR REPLACE INTO access_codes(transfer_id, email, code_hash, "
                   "expires_at, attempts) VALUES(?1, ?2, ?3, ?4, 0)")
            .bindAll(transferId, email, codeHash(transferId, email, code),
                     Clock::nowMs() + lifetimeMs)
            .run();
    });
    return code;
}

bool AccessCodes::verify(const std::string& transferId, const std::string& email,
                         const std::string& code) {
    return db_.withLock([&](Database::Access& db) {
        return db.transaction([&] {
            auto st = db.prepare("SELECT code_hash, expires_at, attempts FROM access_codes "
                                 "WHERE transfer_id = ?1 AND email = ?2");
            st.bindAll(transferId, email);
            if (!st.next())
                return false;
            const auto stored = st.text(0);
            if (st.integer(1) < Clock::nowMs() || st.integer(2) >= maxAttempts)
                return false;
            if (Secrets::constantTimeEquals(stored, codeHash(transferId, email, code))) {
                db.prepare("DELETE FROM access_codes WHERE transfer_id = ?1 AND email = ?2")
                    .bindAll(transferId, email)
                    .run();
                return true;
            }
            db.prepare("UPDATE access_codes SET attempts = attempts + 1 WHERE transfer_id = ?1 "
                       "AND email = ?2")
                .bindAll(transferId, email)
                .run();
            return false;
        });
    });
}

} // namespace devservice
