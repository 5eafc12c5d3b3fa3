#pragma once

#include <string>
#include <string_view>

namespace devservice {

// The few OpenSSL digests the storage needs, on byte strings.
class Crypto {
public:
    static std::string sha256(std::string_view data);
    static std::string md5(std::string_view data);
    static std::string hmacSha256(std::string_view key, std::string_view data);
    static std::string hex(std::string_view bytes);
    // The value of one hex digit of either case; -1 for any other character.
    static int hexDigit(char c);
    // Empty when the text is not an even number of hex digits.
    static std::string hexDecode(std::string_view text);
    // Empty when the text is not valid base64.
    static std::string base64Decode(std::string_view text);
    static std::string randomHex(std::size_t bytes);
    // Equal-length comparison whose time does not depend on where the inputs differ.
    static bool constantTimeEquals(std::string_view a, std::string_view b);
};

} // namespace devservice
