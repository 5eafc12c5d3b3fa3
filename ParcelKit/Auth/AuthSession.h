#pragma once

#include "PKCE.h"
#include "ParcellaConfiguration.h"
#include "Timestamp.h"
#include "TokenEndpoint.h"
#include "Tokens.h"

#include <QCoroTask>
#include <QFuture>
#include <QObject>
#include <QThreadPool>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

namespace ParcelKit {

class TokenStore;
class URLSession;

// The user's sign-in: builds the browser's authorization request, turns its callback into tokens,
// hands out valid access tokens (one shared refresh for all callers) and signs out.
// Lives on the main thread; every member is called there.
class AuthSession : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isSignedIn READ isSignedIn NOTIFY isSignedInChanged)

public:
    using Clock = std::function<Timestamp()>;

    // Loads the stored tokens; a store failure counts as none.
    AuthSession(ParcellaConfiguration configuration, TokenStore& store, URLSession& session,
                Clock clock = Timestamp::now, QObject* parent = nullptr);
    // Waits for store writes still queued, so the last change survives the process.
    ~AuthSession() override;

    bool isSignedIn() const { return m_tokens.has_value(); }

    // Starts a new sign-in, forgetting an earlier pending one, and returns the URL the browser
    // opens.
    QUrl signInURL();

    // Turns the browser's callback into tokens, ending once they are stored. Fails with
    // notSignedIn or the token endpoint's error.
    QCoro::Task<void> completeSignIn(QUrl callbackURL, std::stop_token token);

    // The current access token while it stays valid for more than a minute, else a refreshed one.
    QCoro::Task<QString> accessToken(std::stop_token token);

    // For a token the service refused: the current one when someone refreshed meanwhile, else a
    // refreshed one.
    QCoro::Task<QString> accessTokenAfterRejection(QString rejectedToken, std::stop_token token);

    // Refreshes the tokens; concurrent callers share one request, which ends once the new tokens
    // are stored. A stop ends only this caller's wait, never the shared refresh.
    QCoro::Task<Tokens> refresh(std::stop_token token);

    // Revokes the access token (bounded to five seconds, any answer ignored), then signs out
    // locally. Never fails; a stop only cuts the revocation short.
    QCoro::Task<void> signOut(std::stop_token token);

    // Local sign-out: ends a running refresh (its waiters get notSignedIn), the pending sign-in
    // and the tokens.
    void forgetSession();

signals:
    void isSignedInChanged();

private:
    struct PendingSignIn {
        PKCE pkce;
        QString state;
    };
    struct Refresh;

    QCoro::Task<void> runRefresh(std::shared_ptr<Refresh> refresh, TokenEndpoint::Form form);
    // The future ends once the store has the change (or failed to take it).
    QFuture<void> setTokens(std::optional<Tokens> tokens);
    QFuture<void> saveInBackground(std::optional<Tokens> tokens);

    ParcellaConfiguration m_configuration;
    TokenStore& m_store;
    URLSession& m_session;
    Clock m_now;
    TokenEndpoint m_endpoint;
    std::optional<Tokens> m_tokens;
    std::optional<PendingSignIn> m_pendingSignIn;
    std::shared_ptr<Refresh> m_refreshing;
    // Counts local sign-outs, so a sign-in that completes after one is not adopted.
    quint64 m_signOuts = 0;
    // One writer thread keeps store writes in order without blocking the main thread on the
    // keyring (which may prompt to unlock).
    QThreadPool m_storeWriter;
};

} // namespace ParcelKit
