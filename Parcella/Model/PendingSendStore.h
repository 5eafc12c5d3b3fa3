#pragma once

#include "PendingSend.h"

#include "KeychainItem.h"

#include <QString>

#include <optional>

namespace Parcella {

// Where a pending send outlives the process: "pending-send.json", replaced atomically, and its
// password in a keychain item of its own. Every call blocks on the disk or the keychain.
class PendingSendStore {
public:
    PendingSendStore(QString path, QString service, QString account);

    const QString& path() const { return m_path; }

    // None when the file is missing, unreadable or not a pending send.
    std::optional<PendingSend> load() const;
    // False when the file could not be written; the old one then stays as it was.
    bool save(const PendingSend& pending) const;

    std::optional<QString> readPassword() const;
    // Throws KeychainError.
    void writePassword(const QString& password) const;
    // Any failure is ignored.
    void removePassword() const;

    // Deletes the file and the password; never fails.
    void clear() const;

private:
    QString m_path;
    ParcelKit::KeychainItem m_password;
};

} // namespace Parcella
