#include "service/Secrets.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <stdexcept>
#include <vector>

namespace devservice {

namespace {
constexpr int passwordIterations = 60000;

std::string pbkdf2(std::string_view password, std::string_view salt, int iterations) {
    std::string out(32, '\0');
    if (PKCS5_PBKDF2_HMAC(password.data(), int(password.size()),
                          reinterpret_cast<const unsigned char*>(salt.data()), int(salt.size()),
                          iterations, EVP_sha256(), int(out.size()),
                          reinterpret_cast<unsigned char*>(out.data())) != 1)
        throw std::runtime_error("PBKDF2 failed");
    return out;
}

std::string unhex(std::string_view text) {
    std::string out;
    if (text.size() % 2)
        return out;
    for (std::size_t i = 0; i < text.size(); i += 2)
        out.push_back(char(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
    return out;
}
} // namespace

std::string Secrets::randomBytes(std::size_t count) {
    std::string bytes(count, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), int(count)) != 1)
        throw std::runtime_error("the system's random generator failed");
    return bytes;
}

std::string Secrets::randomUrlSafe(std::size_t byteCount) {
    return base64Url(randomBytes(byteCount));
}

std::string Secrets::randomHex(std::size_t byteCount) {
    return hex(randomBytes(byteCount));
}

std::string Secrets::randomDigits(int digits) {
    std::string code;
    while (int(code.size()) < digits) {
        // Rejection sampling keeps every digit equally likely.
        const auto byte = static_cast<unsigned char>(randomBytes(1)[0]);
        if (byte < 250)
            code.push_back(char('0' + byte % 10));
    }
    return code;
}

std::string Secrets::sha256(std::string_view data) {
    std::string digest(SHA256_DIGEST_LENGTH, '\0');
    SHA256(reinterpret_cast<const unsigned char*>(data.data()), data.size(),
           reinterpret_cast<unsigned char*>(digest.data()));
    return digest;
}

std::string Secrets::sha256Hex(std::string_view data) {
    return hex(sha256(data));
}

std::string Secrets::hmacSha256Hex(std::string_view key, std::string_view data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha256(), key.data(), int(key.size()),
         reinterpret_cast<const unsigned char*>(data.data()), data.size(), digest, &length);
    return hex(std::string_view(reinterpret_cast<const char*>(digest), length));
}

std::string Secrets::base64Url(std::string_view bytes) {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (unsigned char)bytes[i] << 16 | (unsigned char)bytes[i + 1] << 8 |
                           (unsigned char)bytes[i + 2];
        out += {alphabet[v >> 18], alphabet[(v >> 12) & 63], alphabet[(v >> 6) & 63],
                alphabet[v & 63]};
    }
    if (bytes.size() - i == 1) {
        const unsigned v = (unsigned char)bytes[i] << 16;
        out += {alphabet[v >> 18], alphabet[(v >> 12) & 63]};
    } else if (bytes.size() - i == 2) {
        const unsigned v = (unsigned char)bytes[i] << 16 | (unsigned char)bytes[i + 1] << 8;
        out += {alphabet[v >> 18], alphabet[(v >> 12) & 63], alphabet[(v >> 6) & 63]};
    }
    return out;
}

std::string Secrets::hex(std::string_view bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

bool Secrets::constantTimeEquals(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string Secrets::hashPassword(std::string_view password) {
    const auto salt = randomBytes(16);
    return "pbkdf2-sha256$" + std::to_string(passwordIterations) + "$" + hex(salt) + "$" +
           hex(pbkdf2(password, salt, passwordIterations));
}

bool Secrets::verifyPassword(std::string_view password, std::string_view stored) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t dollar; (dollar = stored.find('$', start)) != std::string_view::npos;
         start = dollar + 1)
        parts.push_back(stored.substr(start, dollar - start));
    parts.push_back(stored.substr(start));
    if (parts.size() != 4 || parts[0] != "pbkdf2-sha256")
        return false;
    const int iterations = std::stoi(std::string(parts[1]));
    return constantTimeEquals(hex(pbkdf2(password, unhex(parts[2]), iterations)), parts[3]);
}

} // namespace devservice
