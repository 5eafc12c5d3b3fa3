#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace ParcelKit {

// A failure of the secret store. `status` is the store's error code; `message` its own text for
// it, which may be empty.
class KeychainError : public std::exception {
public:
    KeychainError(int status, QString message);

    int status() const { return m_status; }
    const QString& message() const { return m_message; }

    // The store's message, or "Keychain error <status>" when it gave none.
    QString userText() const;
    const char* what() const noexcept override { return m_what.constData(); }

private:
    int m_status;
    QString m_message;
    QByteArray m_what;
};

} // namespace ParcelKit
