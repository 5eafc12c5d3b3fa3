#pragma once

#include <QString>

#include <exception>
#include <optional>

namespace ParcelKit {

// The engine's one error type. `network` is a passing condition; `server` with status 0 is a
// request that cannot succeed unchanged.
class ParcelKitError : public std::exception {
public:
    enum class Kind { validation, server, network, fileUnavailable, notSignedIn };

    // Both carry texts a server may have chosen: the message is kept as ServerText::clean
    // makes it.
    static ParcelKitError validation(QString message);
    static ParcelKitError server(int status, std::optional<QString> message = std::nullopt);
    static ParcelKitError network(QString message);
    static ParcelKitError fileUnavailable(QString message);
    static ParcelKitError notSignedIn();
    // A 2xx answer the engine cannot read (or one too large to read): `server` with the status
    // and "The server sent an answer the app doesn't understand.".
    static ParcelKitError undecodableAnswer(int status);

    // Maps any failure to the engine error: a ParcelKitError stays as it is, a transport failure
    // is split by meaning (see TransportError), anything else becomes `network`.
    // Cancelled must be handled by the caller before; it is never wrapped.
    static ParcelKitError wrapping(const std::exception& error);
    static ParcelKitError wrapping(std::exception_ptr error);

    Kind kind() const { return m_kind; }
    int status() const { return m_status; }
    const std::optional<QString>& message() const { return m_message; }

    // The localized text shown to the user.
    QString userText() const;
    const char* what() const noexcept override { return m_what.constData(); }

    bool operator==(const ParcelKitError& other) const {
        return m_kind == other.m_kind && m_status == other.m_status && m_message == other.m_message;
    }

private:
    ParcelKitError(Kind kind, int status, std::optional<QString> message);

    Kind m_kind;
    int m_status = 0;
    std::optional<QString> m_message;
    QByteArray m_what;
};

} // namespace ParcelKit
