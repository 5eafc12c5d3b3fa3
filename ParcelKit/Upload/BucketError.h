#pragma once

#include <QString>

#include <exception>
#include <optional>

namespace ParcelKit {

// An object-storage answer that is not recognised as success. The retry loop turns it into
// ParcelKitError::server with the same status and message.
class BucketError : public std::exception {
public:
    BucketError(int status, std::optional<QString> message);

    int status() const { return m_status; }
    // The `Message` of the storage's error document, when it sent one.
    const std::optional<QString>& message() const { return m_message; }

    const char* what() const noexcept override { return m_what.constData(); }

private:
    int m_status;
    std::optional<QString> m_message;
    QByteArray m_what;
};

} // namespace ParcelKit
