#include "service/TransferStore.h"

#include "service/Clock.h"
#include "service/Secrets.h"

namespace devservice {

std::string TransferStore::create(const std::string& workspaceId, const std::string& userId,
                                  const NewTransfer& request,
                                  const std::optional<std::string>& passwordHash) {
    const auto id = Secrets::randomHex(10);
    const auto now = Clock::nowMs();
    std::optional<std::string> protection;
    if (request.password)
        protection = "password";
    else if (request.emailCode)
        protection = "email_code";
    // Created is sent, a link as much as an e-mail: the link works and the e-mails go out.
    const std::int64_t sentAt = now;
    db_.withLock([&](Database::Access& db) {
        db.transaction([&] {
            db.prepare("INSERT INTO transfers(id, workspace_id, user_id, delivery, subject, "
                       "message, protection, password_hash, expires_at, sent_at, created_at) "
                       "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)")
                .bindAll(id, workspaceId, userId, request.delivery, request.subject,
                         request.message, protection, passwordHash,
                         now + request.expiresInDays * Clock::dayMs, sentAt, now)
                .run();
            int position = 0;
            for (const auto& uploadId : request.uploadIds)
                db.prepare("INSERT INTO transfer_files(transfer_id, position, upload_id) "
                           "VALUES(?1, ?2, ?3)")
                    .bindAll(id, ++position, uploadId)
                    .run();
            position = 0;
            for (const auto& email : request.recipients)
                db.prepare("INSERT INTO transfer_recipients(transfer_id, position, email) "
                           "VALUES(?1, ?2, ?3)")
                    .bindAll(id, ++position, email)
                    .run();
            for (const auto& entry : request.allowedEmails)
                db.prepare("INSERT OR IGNORE INTO allowed_emails(transfer_id, entry) "
                           "VALUES(?1, ?2)")
                    .bindAll(id, entry)
                    .run();
        });
    });
    return id;
}

std::optional<TransferStore::Transfer> TransferStore::load(Database::Access& db,
                                                           const std::string& transferId) const {
    auto st =
        db.prepare("SELECT id, workspace_id, user_id, delivery, subject, message, protection, "
                   "password_hash, expires_at, sent_at, revoked_at, created_at, download_count, "
                   "downloaded_at, view_count, viewed_at FROM transfers WHERE id = ?1");
    st.bind(1, transferId);
    if (!st.next())
        return std::nullopt;
    Transfer t;
    t.id = st.text(0);
    t.workspaceId = st.text(1);
    t.userId = st.text(2);
    t.delivery = st.text(3);
    t.subject = st.optionalText(4);
    t.message = st.optionalText(5);
    t.protection = st.optionalText(6);
    t.passwordHash = st.optionalText(7);
    t.expiresAt = st.integer(8);
    t.sentAt = st.optionalInteger(9);
    t.revokedAt = st.optionalInteger(10);
    t.createdAt = st.integer(11);
    t.downloadCount = st.integer(12);
    t.downloadedAt = st.optionalInteger(13);
    t.viewCount = st.integer(14);
    t.viewedAt = st.optionalInteger(15);

    auto files = db.prepare("SELECT u.id, u.filename, COALESCE(u.size, 0) FROM transfer_files f "
                            "JOIN uploads u ON u.id = f.upload_id WHERE f.transfer_id = ?1 "
                            "ORDER BY f.position");
    files.bind(1, transferId);
    while (files.next())
        t.files.push_back({files.text(0), files.text(1), files.integer(2)});

    auto recipients = db.prepare("SELECT email, viewed_at, downloaded_at FROM "
                                 "transfer_recipients WHERE transfer_id = ?1 ORDER BY position");
    recipients.bind(1, transferId);
    while (recipients.next())
        t.recipients.push_back(
            {recipients.text(0), recipients.optionalInteger(1), recipients.optionalInteger(2)});

    auto allowed = db.prepare("SELECT entry FROM allowed_emails WHERE transfer_id = ?1 "
                              "ORDER BY entry");
    allowed.bind(1, transferId);
    while (allowed.next())
        t.allowedEmails.push_back(allowed.text(0));
    return t;
}

std::optional<TransferStore::Transfer> TransferStore::find(const std::string& transferId) const {
    return db_.withLock([&](Database::Access& db) { return load(db, transferId); });
}

std::optional<TransferStore::Transfer> TransferStore::find(const std::string& workspaceId,
                                                           const std::string& transferId) const {
    auto transfer = find(transferId);
    if (transfer && transfer->workspaceId != workspaceId)
        return std::nullopt;
    return transfer;
}

std::vector<TransferStore::Transfer> TransferStore::list(const std::string& workspaceId) const {
    return db_.withLock([&](Database::Access& db) {
        std::vector<std::string> ids;
        auto st = db.prepare("SELECT id FROM transfers WHERE workspace_id = ?1 "
                             "ORDER BY created_at DESC, rowid DESC LIMIT ?2");
        st.bindAll(workspaceId, listLimit);
        while (st.next())
            ids.push_back(st.text(0));
        std::vector<Transfer> transfers;
        for (const auto& id : ids)
            if (auto transfer = load(db, id))
                transfers.push_back(std::move(*transfer));
        return transfers;
    });
}

void TransferStore::setExpiry(const std::string& transferId, std::int64_t expiresAt) {
    db_.withLock([&](Database::Access& db) {
        db.prepare("UPDATE transfers SET expires_at = ?2 WHERE id = ?1")
            .bindAll(transferId, expiresAt)
            .run();
    });
}

void TransferStore::revoke(const std::string& transferId) {
    db_.withLock([&](Database::Access& db) {
        db.prepare("UPDATE transfers SET revoked_at = COALESCE(revoked_at, ?2) WHERE id = ?1")
            .bindAll(transferId, Clock::nowMs())
            .run();
    });
}

void TransferStore::countView(const std::string& transferId,
                              const std::optional<std::string>& email) {
    const auto now = Clock::nowMs();
    db_.withLock([&](Database::Access& db) {
        db.transaction([&] {
            db.prepare("UPDATE transfers SET view_count = view_count + 1, viewed_at = ?2 "
                       "WHERE id = ?1")
                .bindAll(transferId, now)
                .run();
            if (email)
                db.prepare("UPDATE transfer_recipients SET viewed_at = ?3 WHERE transfer_id = ?1 "
                           "AND lower(email) = lower(?2)")
                    .bindAll(transferId, *email, now)
                    .run();
        });
    });
}

void TransferStore::countDownload(const std::string& transferId,
                                  const std::optional<std::string>& email) {
    const auto now = Clock::nowMs();
    db_.withLock([&](Database::Access& db) {
        db.transaction([&] {
            db.prepare("UPDATE transfers SET download_count = download_count + 1, "
                       "downloaded_at = ?2 WHERE id = ?1")
                .bindAll(transferId, now)
                .run();
            if (email)
                db.prepare("UPDATE transfer_recipients SET downloaded_at = ?3 WHERE "
                           "transfer_id = ?1 AND lower(email) = lower(?2)")
                    .bindAll(transferId, *email, now)
                    .run();
        });
    });
}

Json TransferStore::toJson(const Transfer& t, const std::string& publicUrl) {
    const auto date = [](std::int64_t ms) { return Clock::wireDate(ms); };
    std::int64_t totalSize = 0;
    Json files = Json::array();
    for (const auto& file : t.files) {
        files.push_back({{"id", file.id}, {"filename", file.filename}, {"size", file.size}});
        totalSize += file.size;
    }
    Json recipients = Json::array();
    for (const auto& recipient : t.recipients) {
        Json r = {{"email", recipient.email}};
        if (recipient.viewedAt)
            r["viewed_at"] = date(*recipient.viewedAt);
        if (recipient.downloadedAt)
            r["downloaded_at"] = date(*recipient.downloadedAt);
        recipients.push_back(r);
    }
    Json json = {{"id", t.id},
                 {"url", publicUrl + "/t/" + t.id},
                 {"delivery", t.delivery},
                 {"recipients", recipients},
                 {"file_count", std::int64_t(t.files.size())},
                 {"total_size", totalSize},
                 {"expires_at", date(t.expiresAt)},
                 {"created_at", date(t.createdAt)},
                 {"download_count", t.downloadCount},
                 {"view_count", t.viewCount},
                 {"files", files}};
    if (t.subject) {
        json["subject"] = *t.subject;
        if (t.delivery == "link")
            json["title"] = *t.subject;
    }
    if (t.message)
        json["message"] = *t.message;
    if (t.protection)
        json["protection"] = *t.protection;
    if (t.sentAt)
        json["sent_at"] = date(*t.sentAt);
    if (t.revokedAt)
        json["revoked_at"] = date(*t.revokedAt);
    if (t.downloadedAt)
        json["downloaded_at"] = date(*t.downloadedAt);
    if (t.viewedAt)
        json["viewed_at"] = date(*t.viewedAt);
    return json;
}

} // namespace devservice
