#pragma once

#include "KeychainItem.h"
#include "TokenStore.h"

#include <QUrl>

namespace ParcelKit {

// Keeps the tokens in one item of the user's secret store, in their stored form. A damaged item
// reads as no tokens. Holds no state of its own, so any thread may use it.
class KeychainTokenStore : public TokenStore {
public:
    static constexpr const char* defaultAccount = "oauth-tokens";

    explicit KeychainTokenStore(QString service, QString account = defaultAccount);

    // The item for tokens issued by the service at baseURL. The configured service keeps the
    // default account; any other origin gets one of its own, so that tokens are only ever sent
    // to the origin that issued them.
    static QString accountFor(const QUrl& baseURL, const QUrl& configuredBaseURL);
    // "scheme://host[:port]", the port only when it is not the scheme's default.
    static QString originOf(const QUrl& url);

    const QString& service() const { return m_item.service(); }
    const QString& account() const { return m_item.account(); }

    std::optional<Tokens> load() override;
    void save(const std::optional<Tokens>& tokens) override;

private:
    KeychainItem m_item;
};

} // namespace ParcelKit
