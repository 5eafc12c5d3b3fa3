#include "ServiceHarness.h"

namespace ParcelKit::Testing {

namespace {
Tokens validTokens() {
    // Valid for a day, so no test ever refreshes.
    return {FakeStorageService::accessToken, QStringLiteral("fake-refresh-token"),
            Timestamp::now().addingSeconds(86'400)};
}
} // namespace

ServiceHarness::ServiceHarness()
    : tokens(validTokens()), auth({fake.baseURL(), ParcellaConfiguration::defaultClientID,
                                   ParcellaConfiguration::defaultRedirectURI},
                                  tokens, urlSession),
      api({fake.baseURL(), ParcellaConfiguration::defaultClientID,
           ParcellaConfiguration::defaultRedirectURI},
          auth, urlSession) {}

} // namespace ParcelKit::Testing
