#pragma once

#include <QByteArray>
#include <QString>

namespace ParcelKit {

// Base64 with "+" → "-", "/" → "_" and no "=" padding.
QString base64URLEncoded(const QByteArray& bytes);

// `byteCount` bytes of the system's secure random generator as URL-safe text (32 bytes give 43
// characters, 16 give 22).
QString randomURLSafeString(int byteCount);

// The proof key of an authorization-code request: the verifier stays here, the challenge (SHA-256
// of the verifier, method "S256") goes to the browser.
struct PKCE {
    QString verifier;
    QString challenge;

    static constexpr const char* method = "S256";

    explicit PKCE(QString verifier);
    static PKCE generate();

    bool operator==(const PKCE&) const = default;
};

} // namespace ParcelKit
