#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace devservice {

// The few primitives the service needs, from OpenSSL.
class Secrets {
public:
    static std::string randomBytes(std::size_t count);
    // Base64url without padding of `byteCount` random bytes (32 bytes give 43 characters).
    static std::string randomUrlSafe(std::size_t byteCount);
    // Lower-case hex of `byteCount` random bytes; safe in bucket names, keys and paths.
    static std::string randomHex(std::size_t byteCount);
    // A uniformly drawn decimal code of `digits` digits.
    static std::string randomDigits(int digits);

    static std::string sha256(std::string_view data);
    static std::string sha256Hex(std::string_view data);
    static std::string hmacSha256Hex(std::string_view key, std::string_view data);
    static std::string base64Url(std::string_view bytes);
    static std::string hex(std::string_view bytes);
    static bool constantTimeEquals(std::string_view a, std::string_view b);

    // "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>"
    static std::string hashPassword(std::string_view password);
    static bool verifyPassword(std::string_view password, std::string_view stored);
};

} // namespace devservice
