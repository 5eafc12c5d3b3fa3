#pragma once

#include "service/HttpUtil.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace devservice {

class UploadStore;

// A validated request to create a transfer.
struct NewTransfer {
    std::vector<std::string> uploadIds;
    std::string delivery; // "link" or "email"
    std::vector<std::string> recipients;
    std::optional<std::string> subject;
    std::optional<std::string> message;
    int expiresInDays = 7;
    std::optional<std::string> password;
    bool emailCode = false;
    // Who may ask for a code: addresses, "@domain" or "domain" entries, lower-cased.
    std::vector<std::string> allowedEmails;

    static constexpr int minExpiryDays = 1;
    static constexpr int maxExpiryDays = 365;
    static constexpr int minPasswordCharacters = 4;

    // Validates a create body against the workspace's confirmed uploads.
    static std::variant<NewTransfer, FieldErrors>
    parse(const Json& body, const std::string& workspaceId, const UploadStore& uploads);
    // The "expires_in" member shared with the change of expiry; records an error when invalid.
    static std::optional<int> expiresIn(const Json& body, FieldErrors& errors);
    static bool isEmailAddress(const std::string& text);
    // Whether `email` may ask for a code under the allowed entries.
    static bool allows(const std::vector<std::string>& allowedEmails, const std::string& email);
};

} // namespace devservice
