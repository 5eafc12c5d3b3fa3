#pragma once

#include "service/Database.h"
#include "service/HttpUtil.h"
#include "service/NewTransfer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace devservice {

// Transfers with their files, recipients and counters.
class TransferStore {
public:
    struct File {
        std::string id; // the upload id
        std::string filename;
        std::int64_t size = 0;
    };
    struct Recipient {
        std::string email;
        std::optional<std::int64_t> viewedAt;
        std::optional<std::int64_t> downloadedAt;
    };
    struct Transfer {
        std::string id;
        std::string workspaceId;
        std::string userId;
        std::string delivery;
        std::optional<std::string> subject;
        std::optional<std::string> message;
        std::optional<std::string> protection; // "password" or "email_code"
        std::optional<std::string> passwordHash;
        std::int64_t expiresAt = 0;
        std::optional<std::int64_t> sentAt;
        std::optional<std::int64_t> revokedAt;
        std::int64_t createdAt = 0;
        std::int64_t downloadCount = 0;
        std::optional<std::int64_t> downloadedAt;
        std::int64_t viewCount = 0;
        std::optional<std::int64_t> viewedAt;
        std::vector<File> files;
        std::vector<Recipient> recipients;
        std::vector<std::string> allowedEmails;

        bool isAvailable(std::int64_t nowMs) const { return !revokedAt && expiresAt > nowMs; }
    };

    // Lists stop at the most recent ones; the client shows recent transfers only.
    static constexpr int listLimit = 200;

    explicit TransferStore(Database& database) : db_(database) {}

    // Returns the new transfer's id. E-mail transfers count as sent when created.
    std::string create(const std::string& workspaceId, const std::string& userId,
                       const NewTransfer& request, const std::optional<std::string>& passwordHash);
    std::optional<Transfer> find(const std::string& transferId) const;
    std::optional<Transfer> find(const std::string& workspaceId,
                                 const std::string& transferId) const;
    // Newest first, deleted ones included (they answer with their revocation date).
    std::vector<Transfer> list(const std::string& workspaceId) const;
    void setExpiry(const std::string& transferId, std::int64_t expiresAt);
    // Keeps the first revocation date when deleted twice.
    void revoke(const std::string& transferId);
    // The recipient, when known, gets their own date too.
    void countView(const std::string& transferId, const std::optional<std::string>& email);
    void countDownload(const std::string& transferId, const std::optional<std::string>& email);

    // The `Transfer` record of the wire.
    static Json toJson(const Transfer& transfer, const std::string& publicUrl);

private:
    std::optional<Transfer> load(Database::Access& db, const std::string& transferId) const;

    Database& db_;
};

} // namespace devservice
