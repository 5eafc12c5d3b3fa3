#pragma once

#include <QString>

#include <exception>

namespace ParcelKit {

// A failure of the URL loading layer (libcurl) before a complete HTTP answer arrived.
class TransportError : public std::exception {
public:
    TransportError(int curlCode, QString description, int osErrno = 0);

    // The failure of a libcurl transfer with the user text that belongs to its code. `osErrno` is
    // the socket error the system reported last (CURLINFO_OS_ERRNO), 0 when there was none.
    static TransportError fromCurl(int curlCode, int osErrno = 0);

    int curlCode() const { return m_curlCode; }
    int osErrno() const { return m_osErrno; }
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

    // True for failures that no retry can mend: TLS and certificates, bad or unsupported URLs,
    // local file errors, authentication, undecodable content, a body too large. Everything else
    // (cannot connect, reset, unresolved host or proxy, timeouts, send/receive errors) passes,
    // including a TLS handshake cut short by a broken connection.
    bool isPermanent() const;
    static bool isPermanentCode(int curlCode);

private:
    int m_curlCode;
    int m_osErrno;
    QString m_description;
    QByteArray m_what;
};

} // namespace ParcelKit
