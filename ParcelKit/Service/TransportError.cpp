#include "TransportError.h"

#include "EngineText.h"

#include <curl/curl.h>

namespace ParcelKit {

TransportError::TransportError(int curlCode, QString description, int osErrno)
    : m_curlCode(curlCode), m_osErrno(osErrno), m_description(std::move(description)),
      m_what(m_description.toUtf8()) {}

// The one place where libcurl's failures are split by meaning and described for the user.
//
// Permanent, `server(0, …)`:
//   malformed or unsupported URL   URL_MALFORMAT, UNSUPPORTED_PROTOCOL, NOT_BUILT_IN
//   TLS and certificates           SSL_CONNECT_ERROR (unless the socket broke, see below),
//                                  PEER_FAILED_VERIFICATION, SSL_CERTPROBLEM, SSL_CIPHER,
//                                  SSL_ENGINE_*, SSL_CACERT_BADFILE, SSL_CRL_BADFILE,
//                                  SSL_ISSUER_ERROR, SSL_PINNEDPUBKEYNOTMATCH,
//                                  SSL_INVALIDCERTSTATUS, SSL_CLIENTCERT, USE_SSL_FAILED
//   local files                    FILE_COULDNT_READ_FILE, READ_ERROR
//   authentication required        LOGIN_DENIED, AUTH_ERROR
//   undecodable content            BAD_CONTENT_ENCODING
//   body too large                 FILESIZE_EXCEEDED, TOO_MANY_REDIRECTS
// Passing, `network(…)`: everything else, notably COULDNT_CONNECT, COULDNT_RESOLVE_HOST,
// COULDNT_RESOLVE_PROXY, OPERATION_TIMEDOUT, SEND_ERROR, RECV_ERROR, GOT_NOTHING, PARTIAL_FILE.
//
// libcurl reports a connection reset in the middle of a TLS handshake as SSL_CONNECT_ERROR too;
// the socket error tells it apart from a handshake the server refused, and it passes.
bool TransportError::isPermanent() const {
    if (m_curlCode == CURLE_SSL_CONNECT_ERROR && m_osErrno != 0)
        return false;
    return isPermanentCode(m_curlCode);
}

bool TransportError::isPermanentCode(int curlCode) {
    switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
    case CURLE_NOT_BUILT_IN:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
    case CURLE_USE_SSL_FAILED:
    case CURLE_FILE_COULDNT_READ_FILE:
    case CURLE_READ_ERROR:
    case CURLE_LOGIN_DENIED:
    case CURLE_AUTH_ERROR:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_FILESIZE_EXCEEDED:
    case CURLE_TOO_MANY_REDIRECTS:
        return true;
    default:
        return false;
    }
}

namespace {

const char* describe(CURLcode code, bool socketBroke) {
    switch (code) {
    case CURLE_URL_MALFORMAT:
        return QT_TRANSLATE_NOOP("ParcelKit", "The address of the server is not valid.");
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_NOT_BUILT_IN:
        return QT_TRANSLATE_NOOP("ParcelKit", "The address of the server is not supported.");
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return QT_TRANSLATE_NOOP("ParcelKit", "The certificate of the server is not trusted.");
    case CURLE_SSL_CONNECT_ERROR:
        if (socketBroke)
            return QT_TRANSLATE_NOOP("ParcelKit", "The network connection was lost.");
        return QT_TRANSLATE_NOOP("ParcelKit",
                                 "A secure connection to the server could not be made.");
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CLIENTCERT:
    case CURLE_USE_SSL_FAILED:
        return QT_TRANSLATE_NOOP("ParcelKit",
                                 "A secure connection to the server could not be made.");
    case CURLE_FILE_COULDNT_READ_FILE:
    case CURLE_READ_ERROR:
        return QT_TRANSLATE_NOOP("ParcelKit", "The file could not be read.");
    case CURLE_LOGIN_DENIED:
    case CURLE_AUTH_ERROR:
        return QT_TRANSLATE_NOOP("ParcelKit", "The server requires authentication.");
    case CURLE_BAD_CONTENT_ENCODING:
        return QT_TRANSLATE_NOOP("ParcelKit", "The answer of the server could not be decoded.");
    case CURLE_FILESIZE_EXCEEDED:
        return QT_TRANSLATE_NOOP("ParcelKit", "The data is too large.");
    case CURLE_TOO_MANY_REDIRECTS:
        return QT_TRANSLATE_NOOP("ParcelKit", "The server redirected the request too many times.");
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return QT_TRANSLATE_NOOP("ParcelKit", "The server could not be found.");
    case CURLE_COULDNT_CONNECT:
        return QT_TRANSLATE_NOOP("ParcelKit", "Could not connect to the server.");
    case CURLE_OPERATION_TIMEDOUT:
        return QT_TRANSLATE_NOOP("ParcelKit", "The request timed out.");
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return QT_TRANSLATE_NOOP("ParcelKit", "The network connection was lost.");
    default:
        return QT_TRANSLATE_NOOP("ParcelKit", "A network error occurred.");
    }
}

} // namespace

TransportError TransportError::fromCurl(int curlCode, int osErrno) {
    const char* english = describe(static_cast<CURLcode>(curlCode), osErrno != 0);
    return {curlCode, EngineText::tr(english), osErrno};
}

} // namespace ParcelKit
