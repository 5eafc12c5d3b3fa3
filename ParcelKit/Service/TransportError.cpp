#include "TransportError.h"

#include <curl/curl.h>

namespace ParcelKit {

TransportError::TransportError(int curlCode, QString description)
    : m_curlCode(curlCode), m_description(std::move(description)), m_what(m_description.toUtf8()) {}

bool TransportError::isPermanent() const {
    return isPermanentCode(m_curlCode);
}

// The one place where libcurl's failures are split by meaning. Permanent failures become
// `server(0, …)`, passing ones `network(…)`; codes not listed count as passing.
bool TransportError::isPermanentCode(int curlCode) {
    switch (static_cast<CURLcode>(curlCode)) {
    // malformed or unsupported URL
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
    case CURLE_NOT_BUILT_IN:
    // TLS and certificates
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
    // local files
    case CURLE_FILE_COULDNT_READ_FILE:
    case CURLE_READ_ERROR:
    // authentication required
    case CURLE_LOGIN_DENIED:
    case CURLE_AUTH_ERROR:
    // undecodable content, body too large
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_FILESIZE_EXCEEDED:
    case CURLE_TOO_MANY_REDIRECTS:
        return true;
    default:
        return false;
    }
}

} // namespace ParcelKit
