#pragma once

#include <QString>

#include <exception>

namespace ParcelKit {

// A failure of the URL loading layer (libcurl) before a complete HTTP answer arrived.
class TransportError : public std::exception {
public:
    TransportError(int curlCode, QString description);

    int curlCode() const { return m_curlCode; }
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

    // True for failures that no retry can mend: TLS and certificates, bad or unsupported URLs,
    // local file errors, authentication, undecodable content, a body too large. Everything else
    // (cannot connect, reset, unresolved host or proxy, timeouts, send/receive errors) passes.
    bool isPermanent() const;
    static bool isPermanentCode(int curlCode);

private:
    int m_curlCode;
    QString m_description;
    QByteArray m_what;
};

} // namespace ParcelKit
