#include "KeychainTokenStore.h"

namespace ParcelKit {

KeychainTokenStore::KeychainTokenStore(QString service, QString account)
    : m_item(std::move(service), std::move(account)) {}

QString KeychainTokenStore::originOf(const QUrl& url) {
    QUrl origin;
    origin.setScheme(url.scheme().toLower());
    origin.setHost(url.host().toLower());
    const int defaultPort = origin.scheme() == "https" ? 443 : origin.scheme() == "http" ? 80 : -1;
    if (url.port() != defaultPort)
        origin.setPort(url.port());
    return origin.toString(QUrl::FullyEncoded);
}

QString KeychainTokenStore::accountFor(const QUrl& baseURL, const QUrl& configuredBaseURL) {
    const QString origin = originOf(baseURL);
    if (origin == originOf(configuredBaseURL))
        return QString::fromLatin1(defaultAccount);
    return QString::fromLatin1(defaultAccount) + ' ' + origin;
}

std::optional<Tokens> KeychainTokenStore::load() {
    const std::optional<QByteArray> data = m_item.read();
    if (!data)
        return std::nullopt;
    return Tokens::fromStoredForm(*data);
}

void KeychainTokenStore::save(const std::optional<Tokens>& tokens) {
    if (tokens)
        m_item.write(tokens->toStoredForm());
    else
        m_item.remove();
}

} // namespace ParcelKit
