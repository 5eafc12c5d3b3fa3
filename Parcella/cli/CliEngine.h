#pragma once

#include "CliArguments.h"

#include "APIClient.h"
#include "AuthSession.h"
#include "KeychainTokenStore.h"
#include "ParcellaConfiguration.h"
#include "URLSession.h"
#include "UploadQueue.h"

#include <memory>

namespace Parcella {

// The engine objects a command works with, built the way the application builds them: the same
// configuration, keychain item and "uploads.json", so the CLI and the app share their state.
class CliEngine {
public:
    explicit CliEngine(const CliArguments& arguments);

    ParcelKit::AuthSession& auth() { return m_auth; }
    ParcelKit::APIClient& api() { return m_api; }
    // Built on first use: restoring it resumes the unfinished uploads of "uploads.json".
    ParcelKit::UploadQueue& queue();
    QUrl storeURL() const;
    // What to tell the user when no Secret Service answers; nothing when the keyring works.
    std::optional<QString> keyringProblem();

    // The workspace chosen with --workspace, else the one the app last selected, else the first.
    static std::optional<ParcelKit::Workspace>
    chooseWorkspace(const ParcelKit::Me& me, const std::optional<QString>& wanted);

private:
    static ParcelKit::ParcellaConfiguration configuration(const CliArguments& arguments);
    ParcelKit::UploadOptions uploadOptions() const;

    CliArguments m_arguments;
    ParcelKit::ParcellaConfiguration m_configuration;
    ParcelKit::URLSession m_session;
    ParcelKit::KeychainTokenStore m_tokens;
    ParcelKit::AuthSession m_auth;
    ParcelKit::APIClient m_api;
    std::unique_ptr<ParcelKit::UploadQueue> m_queue;
};

} // namespace Parcella
