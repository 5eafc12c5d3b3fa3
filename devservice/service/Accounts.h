#pragma once

#include "service/Database.h"
#include "service/HttpUtil.h"

#include <optional>
#include <string>
#include <vector>

namespace devservice {

// The seeded users and their workspaces: the profile answer and the membership checks that
// keep one user out of another's workspaces.
class Accounts {
public:
    struct User {
        std::string id;
        std::string name;
        std::string email;
    };

    static constexpr const char* developmentUserId = "user-dev";
    static constexpr const char* secondUserId = "user-second";

    explicit Accounts(Database& database) : db_(database) {}

    // Creates the development user (two workspaces, brands on one) and a second user with a
    // workspace of their own; leaves existing rows alone.
    void seed();

    std::vector<User> users() const;
    std::optional<User> user(const std::string& userId) const;
    bool userExists(const std::string& userId) const { return user(userId).has_value(); }
    bool isMember(const std::string& userId, const std::string& workspaceId) const;
    std::vector<std::string> workspaceIds() const;
    // The `Me` record of the user.
    Json me(const std::string& userId) const;

    // Storage bucket of a workspace: one per workspace, a valid S3 bucket name.
    static std::string bucketFor(const std::string& workspaceId);

private:
    Database& db_;
};

} // namespace devservice
