#include "AuthSession.h"

#include "Async.h"
#include "HTTP.h"
#include "ParcelKitError.h"
#include "TokenStore.h"

#include <QCoroFuture>
#include <QPointer>
#include <QTimer>
#include <QUrlQuery>
#include <QtConcurrent>

#include <chrono>
#include <vector>

namespace ParcelKit {

namespace {

constexpr double minimumValidity = 60; // seconds an access token must still be valid
constexpr std::chrono::seconds revocationLimit{5};

QUrl appendingPath(QUrl base, const QString& path) {
    QString basePath = base.path();
    if (!basePath.endsWith('/'))
        basePath += '/';
    base.setPath(basePath + path);
    return base;
}

// Failures after which the refresh token may still work: the user stays signed in.
bool isPassing(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const ParcelKitError& error) {
        if (error.kind() == ParcelKitError::Kind::network)
            return true;
        const int status = error.status();
        return error.kind() == ParcelKitError::Kind::server &&
               (status == 408 || status == 429 || status >= 500);
    } catch (...) {
        return false;
    }
}

// Sends the revocation and ignores its outcome. It ends after `limit` even when the server
// trickles an answer, which the request's idle timeout alone would not bound.
QCoro::Task<void> revokeWithin(URLSession& session, HTTPRequest request,
                               std::chrono::milliseconds limit, std::stop_token caller) {
    std::stop_source deadline;
    std::stop_callback followCaller(caller, [&deadline] { deadline.request_stop(); });
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&deadline] { deadline.request_stop(); });
    timer.start(limit);
    try {
        co_await HTTP::exchange(session, std::move(request), deadline.get_token());
    } catch (...) {
        // The local sign-out follows whatever happened.
    }
}

} // namespace

// One refresh request and everyone waiting for it. Main thread only.
struct AuthSession::Refresh {
    std::stop_source stop;
    std::vector<Continuation<Tokens>> waiters;
    bool finished = false;
    std::optional<Tokens> tokens;
    std::exception_ptr failure;

    void await(Continuation<Tokens> waiter) {
        if (finished)
            deliver(waiter);
        else
            waiters.push_back(std::move(waiter));
    }

    void finish(std::optional<Tokens> result, std::exception_ptr error) {
        finished = true;
        tokens = std::move(result);
        failure = std::move(error);
        for (const auto& waiter : std::exchange(waiters, {}))
            deliver(waiter);
    }

    void deliver(const Continuation<Tokens>& waiter) const {
        if (failure)
            waiter.fail(failure);
        else
            waiter.resume(*tokens);
    }
};

AuthSession::AuthSession(ParcellaConfiguration configuration, TokenStore& store,
                         URLSession& session, Clock clock, QObject* parent)
    : QObject(parent), m_configuration(std::move(configuration)), m_store(store),
      m_session(session), m_now(std::move(clock)),
      m_endpoint(appendingPath(m_configuration.baseURL, "oauth/token"), session, m_now) {
    m_storeWriter.setMaxThreadCount(1);
    try {
        m_tokens = m_store.load();
    } catch (const std::exception&) {
        // An unreadable store starts the session signed out.
    }
}

AuthSession::~AuthSession() {
    if (auto refresh = std::exchange(m_refreshing, nullptr)) {
        refresh->stop.request_stop();
        refresh->finish(std::nullopt, std::make_exception_ptr(Cancelled{}));
    }
    m_storeWriter.waitForDone();
}

QUrl AuthSession::signInURL() {
    m_pendingSignIn = PendingSignIn{PKCE::generate(), randomURLSafeString(16)};
    const std::pair<const char*, QString> items[] = {
        {"response_type", "code"},
        {"client_id", m_configuration.clientID},
        {"redirect_uri", m_configuration.redirectURI.toString(QUrl::FullyEncoded)},
        {"state", m_pendingSignIn->state},
        {"code_challenge", m_pendingSignIn->pkce.challenge},
        {"code_challenge_method", PKCE::method},
    };
    QByteArrayList query;
    for (const auto& [name, value] : items)
        query << QByteArray(name) + '=' + QUrl::toPercentEncoding(value);
    QUrl url = appendingPath(m_configuration.baseURL, "oauth/authorize");
    url.setQuery(QString::fromLatin1(query.join('&')), QUrl::StrictMode);
    return url;
}

QCoro::Task<void> AuthSession::completeSignIn(QUrl callbackURL, std::stop_token token) {
    const QUrlQuery query = callbackURL.isValid() ? QUrlQuery(callbackURL) : QUrlQuery();
    const auto item = [&query](const QString& name) -> std::optional<QString> {
        if (!query.hasQueryItem(name))
            return std::nullopt;
        return query.queryItemValue(name, QUrl::FullyDecoded);
    };
    if (!m_pendingSignIn)
        throw ParcelKitError::notSignedIn();
    // A callback of some other attempt leaves this one open for its own callback.
    const std::optional<QString> state = item("state");
    if (!state || *state != m_pendingSignIn->state)
        throw ParcelKitError::notSignedIn();
    const PendingSignIn pending = *std::exchange(m_pendingSignIn, std::nullopt);
    if (item("error"))
        throw ParcelKitError::notSignedIn();
    const std::optional<QString> code = item("code");
    if (!code || code->isEmpty())
        throw ParcelKitError::notSignedIn();

    const TokenEndpoint::Form form{
        {"grant_type", "authorization_code"},
        {"client_id", m_configuration.clientID},
        {"redirect_uri", m_configuration.redirectURI.toString(QUrl::FullyEncoded)},
        {"code_verifier", pending.pkce.verifier},
        {"code", *code},
    };
    const QPointer<AuthSession> self(this);
    const quint64 signOutsBefore = m_signOuts;
    Tokens tokens = co_await m_endpoint.request(form, std::move(token));
    if (!self)
        throw Cancelled{};
    // Signing out while the code was being exchanged wins over the late tokens.
    if (m_signOuts != signOutsBefore)
        throw ParcelKitError::notSignedIn();
    QFuture<void> saved = setTokens(std::move(tokens));
    co_await saved;
}

QCoro::Task<QString> AuthSession::accessToken(std::stop_token token) {
    if (!m_tokens)
        throw ParcelKitError::notSignedIn();
    // A copy: QCoro's co_return moves from a non-const lvalue, which would empty the member.
    if (m_tokens->expiresAt.secondsSince(m_now()) > minimumValidity)
        co_return QString(m_tokens->accessToken);
    const Tokens refreshed = co_await refresh(std::move(token));
    co_return refreshed.accessToken;
}

QCoro::Task<QString> AuthSession::accessTokenAfterRejection(QString rejectedToken,
                                                            std::stop_token token) {
    if (!m_tokens)
        throw ParcelKitError::notSignedIn();
    if (m_tokens->accessToken != rejectedToken)
        co_return QString(m_tokens->accessToken);
    const Tokens refreshed = co_await refresh(std::move(token));
    co_return refreshed.accessToken;
}

QCoro::Task<Tokens> AuthSession::refresh(std::stop_token token) {
    std::shared_ptr<Refresh> refresh = m_refreshing;
    if (!refresh) {
        if (!m_tokens)
            throw ParcelKitError::notSignedIn();
        refresh = m_refreshing = std::make_shared<Refresh>();
        runRefresh(refresh, {{"grant_type", "refresh_token"},
                             {"client_id", m_configuration.clientID},
                             {"refresh_token", m_tokens->refreshToken}});
    }
    auto registration = [refresh](Continuation<Tokens> waiter) {
        refresh->await(std::move(waiter));
    };
    co_return co_await suspend<Tokens>(std::move(token), std::move(registration));
}

QCoro::Task<void> AuthSession::runRefresh(std::shared_ptr<Refresh> refresh,
                                          TokenEndpoint::Form form) {
    const QPointer<AuthSession> self(this);
    std::optional<Tokens> tokens;
    std::exception_ptr failure;
    try {
        tokens = co_await m_endpoint.request(std::move(form), refresh->stop.get_token());
    } catch (...) {
        failure = std::current_exception();
    }
    // A local sign-out (or the session's end) ended this refresh and answered its waiters.
    if (!self || m_refreshing != refresh)
        co_return;
    if (tokens) {
        // The service has rotated the old refresh token away: the refresh is done only once the
        // new one is stored, or a process ending now would come back signed out.
        QFuture<void> saved = setTokens(*tokens);
        co_await saved;
        if (!self || m_refreshing != refresh)
            co_return;
        m_refreshing.reset();
        refresh->finish(std::move(tokens), nullptr);
        co_return;
    }
    m_refreshing.reset();
    if (isPassing(failure)) {
        refresh->finish(std::nullopt, failure);
    } else {
        forgetSession();
        refresh->finish(std::nullopt, std::make_exception_ptr(ParcelKitError::notSignedIn()));
    }
}

QCoro::Task<void> AuthSession::signOut(std::stop_token token) {
    if (m_tokens) {
        HTTPRequest request;
        request.url = appendingPath(appendingPath(m_configuration.baseURL, "api/v1"), "token");
        request.method = "DELETE";
        request.timeout = revocationLimit;
        request.setHeader("Accept", "application/json");
        request.setHeader("Authorization", "Bearer " + m_tokens->accessToken.toUtf8());
        const QPointer<AuthSession> self(this);
        co_await revokeWithin(m_session, std::move(request), revocationLimit, std::move(token));
        if (!self)
            co_return;
    }
    forgetSession();
}

void AuthSession::forgetSession() {
    ++m_signOuts;
    if (auto refresh = std::exchange(m_refreshing, nullptr)) {
        refresh->stop.request_stop();
        refresh->finish(std::nullopt, std::make_exception_ptr(ParcelKitError::notSignedIn()));
    }
    m_pendingSignIn.reset();
    setTokens(std::nullopt);
}

QFuture<void> AuthSession::setTokens(std::optional<Tokens> tokens) {
    const bool wasSignedIn = isSignedIn();
    m_tokens = tokens;
    // Queued before observers run, so a change they make is written after this one.
    QFuture<void> saved = saveInBackground(std::move(tokens));
    if (isSignedIn() != wasSignedIn)
        emit isSignedInChanged();
    return saved;
}

QFuture<void> AuthSession::saveInBackground(std::optional<Tokens> tokens) {
    auto save = [&store = m_store, tokens = std::move(tokens)] {
        try {
            store.save(tokens);
        } catch (const std::exception&) {
            // The running session keeps its in-memory tokens; only the next start loses them.
        }
    };
    return QtConcurrent::run(&m_storeWriter, std::move(save));
}

} // namespace ParcelKit
