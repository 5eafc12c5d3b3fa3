#include "service/Accounts.h"

#include <algorithm>
#include <cctype>

namespace devservice {

void Accounts::seed() {
    db_.withLock([](Database::Access& db) {
        db.transaction([&] {
            auto user = db.prepare("INSERT OR IGNORE INTO users(id, name, email, locale, position) "
                                   "VALUES(?1, ?2, ?3, ?4, ?5)");
            user.bindAll(developmentUserId, "Dev User", "dev@parcella.test", "en", 1).run();
            auto second = db.prepare("INSERT OR IGNORE INTO users(id, name, email, locale, "
                                     "position) VALUES(?1, ?2, ?3, ?4, ?5)");
            second.bindAll(secondUserId, "Second User", "second@parcella.test", "de", 2).run();

            const auto workspace = [&](const char* id, const char* name, const char* brand) {
                auto st = db.prepare("INSERT OR IGNORE INTO workspaces(id, name, default_brand_id) "
                                     "VALUES(?1, ?2, ?3)");
                st.bind(1, id).bind(2, name);
                brand ? st.bind(3, brand) : st.bindNull(3);
                st.run();
            };
            workspace("studio", "Studio", "brand-studio");
            workspace("personal", "Personal", nullptr);
            workspace("harbor", "Harbor", nullptr);

            const auto member = [&](const char* userId, const char* workspaceId, const char* role,
                                    int position) {
                db.prepare("INSERT OR IGNORE INTO memberships(user_id, workspace_id, role, "
                           "position) VALUES(?1, ?2, ?3, ?4)")
                    .bindAll(userId, workspaceId, role, position)
                    .run();
            };
            member(developmentUserId, "studio", "owner", 1);
            member(developmentUserId, "personal", "member", 2);
            member(secondUserId, "harbor", "admin", 1);

            const auto brand = [&](const char* id, const char* name, const char* color,
                                   const char* domain, int position) {
                auto st = db.prepare("INSERT OR IGNORE INTO brands(id, workspace_id, name, "
                                     "accent_color, domain, position) VALUES(?1, 'studio', ?2, "
                                     "?3, ?4, ?5)");
                st.bind(1, id).bind(2, name).bind(5, position);
                color ? st.bind(3, color) : st.bindNull(3);
                domain ? st.bind(4, domain) : st.bindNull(4);
                st.run();
            };
            brand("brand-studio", "Studio", "#2F6FEB", "studio.parcella.test", 1);
            brand("brand-studio-night", "Studio Night", "#111827", nullptr, 2);
        });
    });
}

std::vector<Accounts::User> Accounts::users() const {
    return db_.withLock([](Database::Access& db) {
        std::vector<User> users;
        auto st = db.prepare("SELECT id, name, email FROM users ORDER BY position");
        while (st.next())
            users.push_back({st.text(0), st.text(1), st.text(2)});
        return users;
    });
}

std::optional<Accounts::User> Accounts::user(const std::string& userId) const {
    return db_.withLock([&](Database::Access& db) -> std::optional<User> {
        auto st = db.prepare("SELECT id, name, email FROM users WHERE id = ?1");
        st.bind(1, userId);
        if (!st.next())
            return std::nullopt;
        return User{st.text(0), st.text(1), st.text(2)};
    });
}

bool Accounts::isMember(const std::string& userId, const std::string& workspaceId) const {
    return db_.withLock([&](Database::Access& db) {
        return db.prepare("SELECT 1 FROM memberships WHERE user_id = ?1 AND workspace_id = ?2")
            .bindAll(userId, workspaceId)
            .next();
    });
}

std::vector<std::string> Accounts::workspaceIds() const {
    return db_.withLock([](Database::Access& db) {
        std::vector<std::string> ids;
        auto st = db.prepare("SELECT id FROM workspaces ORDER BY id");
        while (st.next())
            ids.push_back(st.text(0));
        return ids;
    });
}

Json Accounts::me(const std::string& userId) const {
    return db_.withLock([&](Database::Access& db) {
        auto user = db.prepare("SELECT id, name, email, locale FROM users WHERE id = ?1");
        user.bind(1, userId);
        if (!user.next())
            return Json();
        Json me = {{"id", user.text(0)},
                   {"name", user.text(1)},
                   {"email", user.text(2)},
                   {"locale", user.text(3)},
                   {"workspaces", Json::array()}};
        auto workspaces = db.prepare("SELECT w.id, w.name, m.role, w.default_brand_id "
                                     "FROM memberships m JOIN workspaces w ON w.id = "
                                     "m.workspace_id WHERE m.user_id = ?1 ORDER BY m.position");
        workspaces.bind(1, userId);
        while (workspaces.next()) {
            Json workspace = {{"id", workspaces.text(0)},
                              {"name", workspaces.text(1)},
                              {"role", workspaces.text(2)},
                              {"brands", Json::array()}};
            if (auto brand = workspaces.optionalText(3))
                workspace["default_brand_id"] = *brand;
            auto brands = db.prepare("SELECT id, name, accent_color, domain FROM brands WHERE "
                                     "workspace_id = ?1 ORDER BY position");
            brands.bind(1, workspaces.text(0));
            while (brands.next()) {
                Json brand = {{"id", brands.text(0)}, {"name", brands.text(1)}};
                if (auto color = brands.optionalText(2))
                    brand["accent_color"] = *color;
                if (auto domain = brands.optionalText(3))
                    brand["domain"] = *domain;
                workspace["brands"].push_back(brand);
            }
            me["workspaces"].push_back(workspace);
        }
        return me;
    });
}

std::string Accounts::bucketFor(const std::string& workspaceId) {
    std::string bucket = "ws-" + workspaceId;
    std::transform(bucket.begin(), bucket.end(), bucket.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return bucket;
}

} // namespace devservice
