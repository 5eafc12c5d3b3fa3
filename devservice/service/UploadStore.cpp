#include "service/UploadStore.h"

#include "service/Clock.h"
#include "service/Secrets.h"

namespace devservice {

std::string UploadStore::create(const std::string& workspaceId, const std::string& filename,
                                const std::optional<std::string>& contentType) {
    const auto id = "up" + Secrets::randomHex(12);
    db_.withLock([&](Database::Access& db) {
        db.prepare("INSERT INTO uploads(id, workspace_id, filename, content_type, created_at) "
                   "VALUES(?1, ?2, ?3, ?4, ?5)")
            .bindAll(id, workspaceId, filename, contentType, Clock::nowMs())
            .run();
    });
    return id;
}

std::optional<UploadStore::Upload> UploadStore::find(const std::string& workspaceId,
                                                     const std::string& uploadId) const {
    return db_.withLock([&](Database::Access& db) -> std::optional<Upload> {
        auto st = db.prepare("SELECT id, workspace_id, filename, content_type, size FROM uploads "
                             "WHERE id = ?1 AND workspace_id = ?2");
        st.bindAll(uploadId, workspaceId);
        if (!st.next())
            return std::nullopt;
        return Upload{st.text(0), st.text(1), st.text(2), st.optionalText(3),
                      st.optionalInteger(4)};
    });
}

void UploadStore::confirm(const std::string& uploadId, std::int64_t size) {
    db_.withLock([&](Database::Access& db) {
        db.prepare("UPDATE uploads SET size = ?2, confirmed_at = COALESCE(confirmed_at, ?3) "
                   "WHERE id = ?1")
            .bindAll(uploadId, size, Clock::nowMs())
            .run();
    });
}

void UploadStore::completePreview(const std::string& uploadId, const std::string& kind) {
    db_.withLock([&](Database::Access& db) {
        db.prepare("INSERT OR REPLACE INTO previews(upload_id, kind, completed_at) "
                   "VALUES(?1, ?2, ?3)")
            .bindAll(uploadId, kind, Clock::nowMs())
            .run();
    });
}

bool UploadStore::hasPreview(const std::string& uploadId, const std::string& kind) const {
    return db_.withLock([&](Database::Access& db) {
        return db.prepare("SELECT 1 FROM previews WHERE upload_id = ?1 AND kind = ?2")
            .bindAll(uploadId, kind)
            .next();
    });
}

} // namespace devservice
