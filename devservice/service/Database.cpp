#include "service/Database.h"

#include <sqlite3.h>

#include <stdexcept>

namespace devservice {

namespace {

// Every table the service keeps. Times are milliseconds since the Unix epoch; secrets (tokens,
// codes, passwords) are stored only as hashes.
constexpr const char* schema[] = {
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS users(id TEXT PRIMARY KEY, name TEXT NOT NULL, "
    "email TEXT NOT NULL, locale TEXT NOT NULL, position INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS workspaces(id TEXT PRIMARY KEY, name TEXT NOT NULL, "
    "default_brand_id TEXT)",
    "CREATE TABLE IF NOT EXISTS memberships(user_id TEXT NOT NULL, workspace_id TEXT NOT NULL, "
    "role TEXT NOT NULL, position INTEGER NOT NULL, PRIMARY KEY(user_id, workspace_id))",
    "CREATE TABLE IF NOT EXISTS brands(id TEXT PRIMARY KEY, workspace_id TEXT NOT NULL, "
    "name TEXT NOT NULL, accent_color TEXT, domain TEXT, position INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS auth_codes(code_hash TEXT PRIMARY KEY, client_id TEXT NOT NULL, "
    "redirect_uri TEXT NOT NULL, challenge TEXT NOT NULL, user_id TEXT NOT NULL, "
    "expires_at INTEGER NOT NULL, used INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE IF NOT EXISTS grants(id INTEGER PRIMARY KEY, user_id TEXT NOT NULL, "
    "client_id TEXT NOT NULL, access_hash TEXT NOT NULL UNIQUE, refresh_hash TEXT NOT NULL "
    "UNIQUE, access_expires_at INTEGER NOT NULL, code_hash TEXT, revoked INTEGER NOT NULL "
    "DEFAULT 0)",
    // A rotated-out grant and the grant that replaced it, for the grace period of a refresh
    // whose answer was lost.
    "CREATE TABLE IF NOT EXISTS rotations(grant_id INTEGER PRIMARY KEY, successor_id INTEGER NOT "
    "NULL UNIQUE, rotated_at INTEGER NOT NULL, successor_used INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE IF NOT EXISTS uploads(id TEXT PRIMARY KEY, workspace_id TEXT NOT NULL, "
    "filename TEXT NOT NULL, content_type TEXT, size INTEGER, created_at INTEGER NOT NULL, "
    "confirmed_at INTEGER)",
    "CREATE TABLE IF NOT EXISTS previews(upload_id TEXT NOT NULL, kind TEXT NOT NULL, "
    "completed_at INTEGER NOT NULL, PRIMARY KEY(upload_id, kind))",
    "CREATE TABLE IF NOT EXISTS transfers(id TEXT PRIMARY KEY, workspace_id TEXT NOT NULL, "
    "user_id TEXT NOT NULL, delivery TEXT NOT NULL, subject TEXT, message TEXT, "
    "protection TEXT, password_hash TEXT, expires_at INTEGER NOT NULL, sent_at INTEGER, "
    "revoked_at INTEGER, created_at INTEGER NOT NULL, download_count INTEGER NOT NULL "
    "DEFAULT 0, downloaded_at INTEGER, view_count INTEGER NOT NULL DEFAULT 0, viewed_at INTEGER)",
    "CREATE INDEX IF NOT EXISTS transfers_by_workspace ON transfers(workspace_id, created_at)",
    "CREATE TABLE IF NOT EXISTS transfer_files(transfer_id TEXT NOT NULL, position INTEGER NOT "
    "NULL, upload_id TEXT NOT NULL, PRIMARY KEY(transfer_id, position))",
    "CREATE TABLE IF NOT EXISTS transfer_recipients(transfer_id TEXT NOT NULL, position INTEGER "
    "NOT NULL, email TEXT NOT NULL, viewed_at INTEGER, downloaded_at INTEGER, "
    "PRIMARY KEY(transfer_id, position))",
    "CREATE TABLE IF NOT EXISTS allowed_emails(transfer_id TEXT NOT NULL, entry TEXT NOT NULL, "
    "PRIMARY KEY(transfer_id, entry))",
    "CREATE TABLE IF NOT EXISTS access_codes(transfer_id TEXT NOT NULL, email TEXT NOT NULL, "
    "code_hash TEXT NOT NULL, expires_at INTEGER NOT NULL, attempts INTEGER NOT NULL DEFAULT 0, "
    "PRIMARY KEY(transfer_id, email))",
};

} // namespace

int Database::Access::changes() const {
    return sqlite3_changes(db_);
}

std::int64_t Database::Access::lastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

void Database::Access::exec(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error(std::string(sql) + ": " + message);
    }
}

Database::Database(const std::filesystem::path& file) {
    if (sqlite3_open_v2(file.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        throw std::runtime_error("cannot open " + file.string() + ": " + message);
    }
    sqlite3_busy_timeout(db_, 5000);
    migrate();
}

Database::~Database() {
    sqlite3_close(db_);
}

void Database::migrate() {
    Access access(db_);
    access.exec("PRAGMA journal_mode=WAL");
    access.exec("PRAGMA synchronous=NORMAL");
    access.transaction([&] {
        for (const char* statement : schema)
            access.exec(statement);
    });
}

} // namespace devservice
