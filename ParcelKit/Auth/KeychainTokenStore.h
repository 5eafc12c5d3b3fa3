#pragma once

#include "KeychainItem.h"
#include "TokenStore.h"

namespace ParcelKit {

// Keeps the tokens in one item of the user's secret store, in their stored form. A damaged item
// reads as no tokens. Holds no state of its own, so any thread may use it.
class KeychainTokenStore : public TokenStore {
public:
    static constexpr const char* defaultAccount = "oauth-tokens";

    explicit KeychainTokenStore(QString service, QString account = defaultAccount);

    const QString& service() const { return m_item.service(); }
    const QString& account() const { return m_item.account(); }

    std::optional<Tokens> load() override;
    void save(const std::optional<Tokens>& tokens) override;

private:
    KeychainItem m_item;
};

} // namespace ParcelKit
