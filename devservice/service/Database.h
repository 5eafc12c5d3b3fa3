#pragma once

#include "service/Statement.h"

#include <filesystem>
#include <mutex>
#include <string_view>

namespace devservice {

// The service's one SQLite connection (WAL). httplib runs handlers on a thread pool, so every
// use goes through withLock(); the lock also makes each closure a unit against the others.
class Database {
public:
    class Access {
    public:
        Statement prepare(std::string_view sql) { return Statement(db_, sql); }
        // Runs `body` in an immediate transaction; rolls back when it throws.
        template <typename F> auto transaction(F&& body) {
            exec("BEGIN IMMEDIATE");
            try {
                if constexpr (std::is_void_v<decltype(body())>) {
                    body();
                    exec("COMMIT");
                } else {
                    auto result = body();
                    exec("COMMIT");
                    return result;
                }
            } catch (...) {
                exec("ROLLBACK");
                throw;
            }
        }
        int changes() const;
        std::int64_t lastInsertId() const;

    private:
        friend class Database;
        explicit Access(sqlite3* db) : db_(db) {}
        void exec(const char* sql);
        sqlite3* db_;
    };

    explicit Database(const std::filesystem::path& file);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    template <typename F> auto withLock(F&& body) {
        std::lock_guard lock(mutex_);
        Access access(db_);
        return body(access);
    }

private:
    void migrate();

    sqlite3* db_ = nullptr;
    std::mutex mutex_;
};

} // namespace devservice
