#include "AuthSession.h"
#include "Cancelled.h"
#include "InMemoryTokenStore.h"
#include "ParcelKitError.h"
#include "TestHTTPServer.h"
#include "TestSupport.h"
#include "URLSession.h"

#include <QJsonObject>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QUrlQuery>
#include <QtTest>

#include <atomic>

using namespace ParcelKit;
using namespace ParcelKit::Testing;
using namespace std::chrono_literals;
using Reply = TestHTTPServer::Reply;

// The session against a loopback server playing the service, with a clock the test moves.

namespace {

const Tokens stored{"access-0", "refresh-0", Timestamp{1000}};

class FailingTokenStore : public TokenStore {
public:
    std::optional<Tokens> load() override { throw std::runtime_error("locked"); }
    void save(const std::optional<Tokens>&) override { throw std::runtime_error("locked"); }
};

Reply tokenReply(const QString& access, double expiresIn = 3600) {
    return Reply::json(200, QJsonObject{{"access_token", access},
                                        {"refresh_token", "refresh-" + access},
                                        {"expires_in", expiresIn}});
}

// A token answer whose connection closes well inside its body.
Reply cutInBody() {
    return Reply::json(200, QJsonObject{{"access_token", "lost"},
                                        {"refresh_token", "lost"},
                                        {"expires_in", 60},
                                        {"padding", QString(4096, 'x')}})
        .droppedAfter(2048);
}

struct Fixture {
    TestHTTPServer server;
    URLSession urlSession;
    std::atomic<double> now{900};
    std::unique_ptr<AuthSession> session;

    explicit Fixture(TokenStore& store) {
        const ParcellaConfiguration configuration{server.url("/svc"), "client 1",
                                                  QUrl("parcella://oauth/callback")};
        session = std::make_unique<AuthSession>(configuration, store, urlSession,
                                                [this] { return Timestamp{now.load()}; });
    }

    QUrl callback(const QString& query) const {
        QUrl url("parcella://oauth/callback");
        url.setQuery(query);
        return url;
    }

    // Starts a sign-in and answers its callback with `code`.
    void signIn(const QString& access) {
        const QString state = QUrlQuery(session->signInURL()).queryItemValue("state");
        server.enqueue(tokenReply(access));
        Testing::await(session->completeSignIn(callback("code=c&state=" + state), {}));
    }
};

// Holds every save until the test lets it through.
class HeldStore : public TokenStore {
public:
    explicit HeldStore(Tokens tokens) : m_inner(std::move(tokens)) {}

    std::optional<Tokens> load() override { return m_inner.load(); }
    void save(const std::optional<Tokens>& tokens) override {
        ++saving;
        gate.acquire();
        m_inner.save(tokens);
    }

    QSemaphore gate;
    std::atomic<int> saving{0};

private:
    InMemoryTokenStore m_inner;
};

bool holds(TokenStore& store, const std::optional<Tokens>& tokens) {
    return spinUntil([&] { return store.load() == tokens; });
}

} // namespace

class tst_AuthSession : public QObject {
    Q_OBJECT

private slots:
    void completedSignInPostsTheCodeAndCountsExpiryFromTheRequest() {
        InMemoryTokenStore store;
        Fixture f(store);
        QSignalSpy changes(f.session.get(), &AuthSession::isSignedInChanged);
        const QUrlQuery authorize(f.session->signInURL());
        f.server.setHandler([&f](const RecordedRequest&) {
            f.now = f.now + 30; // the answer arrives half a minute after the request left
            return tokenReply("access-1", 3600.25);
        });
        Testing::await(f.session->completeSignIn(
            f.callback("code=the%20code&state=" + authorize.queryItemValue("state")), {}));

        QVERIFY(f.session->isSignedIn());
        QCOMPARE(changes.size(), 1);
        const Tokens expected{"access-1", "refresh-access-1", Timestamp{900 + 3600.25}};
        QVERIFY(holds(store, expected));
        QCOMPARE(Testing::await(f.session->accessToken({})), QStringLiteral("access-1"));

        // The form is the one the devservice accepts end to end; only the code is checked here.
        QVERIFY(f.server.requests().value(0).body.contains("&code=the%20code&"));
    }

    void onlyThePendingSignInsCallbackCompletes() {
        InMemoryTokenStore store;
        Fixture f(store);
        const auto fails = [&f](const QString& query) {
            const auto error = Testing::failureOf(f.session->completeSignIn(f.callback(query), {}));
            return error && *error == ParcelKitError::notSignedIn();
        };
        QVERIFY(fails("code=c&state=x")); // nothing pending

        // What the service makes of the address is checked against the devservice end to end.
        const QUrlQuery first(f.session->signInURL());
        QCOMPARE(first.queryItemValue("state").size(), 22);
        QCOMPARE(first.queryItemValue("code_challenge").size(), 43);
        // A second start forgets the first: its callback no longer completes anything.
        const QString state = QUrlQuery(f.session->signInURL()).queryItemValue("state");
        QVERIFY(state != first.queryItemValue("state"));
        QVERIFY(fails("code=c&state=" + first.queryItemValue("state")));
        // Wrong or missing state keeps the pending sign-in for its own callback.
        QVERIFY(fails("code=c&state=wrong"));
        QVERIFY(fails("code=c"));
        QVERIFY(fails("error=access_denied&state=" + state));
        // The error callback used the pending sign-in up, so even a good callback fails now.
        QVERIFY(fails("code=c&state=" + state));

        const QString next = QUrlQuery(f.session->signInURL()).queryItemValue("state");
        QVERIFY(fails("state=" + next + "&code="));
        const QString last = QUrlQuery(f.session->signInURL()).queryItemValue("state");
        QVERIFY(fails("code=c&state=wrong"));
        f.server.enqueue(tokenReply("access-1"));
        Testing::await(f.session->completeSignIn(f.callback("code=c&state=" + last), {}));
        QVERIFY(f.session->isSignedIn());
        QCOMPARE(f.server.requestCount(), 1);
    }

    void tokenAnswersThatCannotBeUsedFailAsMapped() {
        InMemoryTokenStore store;
        Fixture f(store);
        const std::pair<Reply, ParcelKitError> cases[] = {
            {Reply::json(200, QJsonObject{{"access_token", "a"}, {"expires_in", 60}}),
             ParcelKitError::server(200)},
            {Reply::json(200, QJsonObject{{"access_token", "a"},
                                          {"refresh_token", "r"},
                                          {"expires_in", "3600"}}),
             ParcelKitError::server(200)},
            {Reply::text(201, "<html>"), ParcelKitError::server(201)},
            {Reply::json(400, QJsonObject{{"error", "invalid_grant"},
                                          {"error_description", "Code expired"}}),
             ParcelKitError::server(400, "Code expired")},
            {Reply::json(401, QJsonObject{{"message", "x"}}), ParcelKitError::notSignedIn()},
        };
        for (const auto& [reply, expected] : cases) {
            const QString state = QUrlQuery(f.session->signInURL()).queryItemValue("state");
            f.server.enqueue(reply);
            const auto error = Testing::failureOf(
                f.session->completeSignIn(f.callback("code=c&state=" + state), {}));
            QVERIFY(error);
            QVERIFY2(*error == expected, qPrintable(error->userText()));
            QVERIFY(!f.session->isSignedIn());
        }
    }

    void refreshFromSixtySecondsBeforeExpiryIsSharedByConcurrentCallers() {
        InMemoryTokenStore store(stored);
        Fixture f(store);
        QSignalSpy changes(f.session.get(), &AuthSession::isSignedInChanged);
        f.now = 1000 - 61;
        QCOMPARE(Testing::await(f.session->accessToken({})), QStringLiteral("access-0"));
        QCOMPARE(f.server.requestCount(), 0);

        f.now = 1000 - 60;
        f.server.enqueue(tokenReply("access-1"));
        std::stop_source impatient;
        auto first = f.session->accessToken({});
        auto second = f.session->accessToken({});
        auto rejected = f.session->accessTokenAfterRejection("access-0", {});
        auto cancelled = f.session->accessToken(impatient.get_token());
        impatient.request_stop();

        QCOMPARE(Testing::await(std::move(first)), QStringLiteral("access-1"));
        QCOMPARE(Testing::await(std::move(second)), QStringLiteral("access-1"));
        QCOMPARE(Testing::await(std::move(rejected)), QStringLiteral("access-1"));
        QVERIFY_THROWS_EXCEPTION(Cancelled, Testing::await(std::move(cancelled)));
        QCOMPARE(f.server.requestCount(), 1);
        QCOMPARE(
            f.server.requests().value(0).body,
            QByteArray("client_id=client%201&grant_type=refresh_token&refresh_token=refresh-0"));
        QVERIFY(holds(store, Tokens{"access-1", "refresh-access-1", Timestamp{940 + 3600}}));
        QCOMPARE(changes.size(), 0);

        // A token rejected after someone else refreshed is answered without another request.
        QCOMPARE(Testing::await(f.session->accessTokenAfterRejection("access-0", {})),
                 QStringLiteral("access-1"));
        f.server.enqueue(tokenReply("access-2"));
        QCOMPARE(Testing::await(f.session->accessTokenAfterRejection("access-1", {})),
                 QStringLiteral("access-2"));
        QCOMPARE(f.server.requestCount(), 2);
    }

    // Passing failures keep the session and its old refresh token; the others sign out.
    void refreshFailuresKeepOrEndTheSession() {
        const std::pair<Reply, bool> cases[] = {
            {Reply::empty(503), false},
            {Reply::empty(500), false},
            {Reply::empty(408), false},
            {Reply::empty(429), false},
            {Reply::rawBytes(""), false},
            {cutInBody(), false},
            // libcurl reads a head cut short as a whole answer without a body.
            {Reply::rawBytes("HTTP/1.1 200 OK\r\nContent-Type: application/js"), false},
            {Reply::json(400, QJsonObject{{"error", "invalid_grant"}}), true},
            {Reply::empty(401), true},
            {Reply::empty(403), true},
            {Reply::json(200, QJsonObject{{"access_token", "a"}}), true},
        };
        for (const auto& [reply, ends] : cases) {
            InMemoryTokenStore store(stored);
            Fixture f(store);
            QSignalSpy changes(f.session.get(), &AuthSession::isSignedInChanged);
            f.now = 1000;
            // A handler, not the script: the client may retry a request whose connection closed
            // before any answer, and the retry must meet the same failure.
            f.server.setHandler([reply](const RecordedRequest&) { return reply; });
            auto first = f.session->accessToken({});
            auto second = f.session->accessToken({});
            const auto error = Testing::failureOf(std::move(first));
            QVERIFY(error);
            const bool cut = reply.raw || reply.dropAfterBytes;
            QVERIFY2(ends  ? *error == ParcelKitError::notSignedIn()
                     : cut ? error->kind() == ParcelKitError::Kind::network
                           : *error == ParcelKitError::server(reply.status),
                     qPrintable(error->userText()));
            QCOMPARE(Testing::failureOf(std::move(second)), error);
            QCOMPARE(f.session->isSignedIn(), !ends);
            QCOMPARE(changes.size(), ends ? 1 : 0);
            QVERIFY(holds(store, ends ? std::nullopt : std::optional(stored)));
            QVERIFY(f.server.requests().last().body.endsWith("refresh_token=refresh-0"));
            if (ends) {
                QVERIFY(Testing::failureOf(f.session->accessToken({})) ==
                        ParcelKitError::notSignedIn());
                QCOMPARE(f.server.requestCount(), 1);
            }
        }
    }

    void localSignOutWinsOverRequestsInFlight() {
        InMemoryTokenStore store(stored);
        Fixture f(store);
        QSignalSpy changes(f.session.get(), &AuthSession::isSignedInChanged);
        f.now = 1000;
        f.server.enqueue(tokenReply("late").after(30s));
        auto refreshing = f.session->accessToken({});
        QVERIFY(spinUntil([&] { return f.server.requestCount() == 1; }));
        f.session->forgetSession();
        QVERIFY(Testing::failureOf(std::move(refreshing)) == ParcelKitError::notSignedIn());
        QCOMPARE(changes.size(), 1);
        f.session->forgetSession();
        QCOMPARE(changes.size(), 1);

        // A sign-in right after is not undone by the refresh that was cut off.
        f.signIn("access-1");
        QCOMPARE(Testing::await(f.session->accessToken({})), QStringLiteral("access-1"));
        QVERIFY(holds(store, Tokens{"access-1", "refresh-access-1", Timestamp{1000 + 3600}}));

        // Tokens of a sign-in that completes after a local sign-out are dropped.
        const QString state = QUrlQuery(f.session->signInURL()).queryItemValue("state");
        f.server.enqueue(tokenReply("too-late").after(500ms));
        auto completing = f.session->completeSignIn(f.callback("code=c&state=" + state), {});
        f.session->forgetSession();
        QVERIFY(Testing::failureOf(std::move(completing)) == ParcelKitError::notSignedIn());
        QVERIFY(!f.session->isSignedIn());
        QVERIFY(holds(store, std::nullopt));
    }

    void signOutRevokesAndEndsSignedOutEvenWhenTheServerHangs() {
        InMemoryTokenStore store(stored);
        Fixture f(store);
        // Four bytes a second never let the idle timeout (under a byte a second) fire; only the
        // five-second cut ends the revocation.
        f.server.enqueue(Reply::text(200, QByteArray(200, ' ')).trickled(250ms));
        QElapsedTimer clock;
        clock.start();
        Testing::await(f.session->signOut({}), 15s);
        QVERIFY2(clock.elapsed() >= 4500 && clock.elapsed() < 10'000,
                 qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!f.session->isSignedIn());
        QVERIFY(holds(store, std::nullopt));
        const RecordedRequest revocation = f.server.requests().value(0);
        QCOMPARE(revocation.method, QByteArray("DELETE"));
        QCOMPARE(revocation.path(), QStringLiteral("/svc/api/v1/token"));
        QCOMPARE(revocation.header("Authorization"), QByteArray("Bearer access-0"));
        QCOMPARE(revocation.header("Accept"), QByteArray("application/json"));

        // Signed out already: nothing to revoke.
        Testing::await(f.session->signOut({}));
        QCOMPARE(f.server.requestCount(), 1);

        f.signIn("access-1");
        f.server.enqueue(Reply::empty(500));
        Testing::await(f.session->signOut({}));
        QVERIFY(!f.session->isSignedIn());
    }

    void storeFailuresNeverReachTheSession() {
        FailingTokenStore store;
        Fixture f(store);
        QVERIFY(!f.session->isSignedIn());
        f.signIn("access-1");
        QVERIFY(f.session->isSignedIn());
        QCOMPARE(Testing::await(f.session->accessToken({})), QStringLiteral("access-1"));
        f.session->forgetSession();
        QVERIFY(!f.session->isSignedIn());
    }

    // The service rotates the refresh token away with every refresh; a refresh that ended before
    // the new one was stored would leave a process killed right then signed out at its next start.
    void aRefreshEndsOnlyOnceTheNewTokensAreStored() {
        HeldStore store(stored);
        Fixture f(store);
        f.now = 1000;
        // Before the session ends, which waits for its saves.
        const auto release = qScopeGuard([&store] { store.gate.release(100); });
        f.server.enqueue(tokenReply("access-1"));

        const auto refreshed = begin(f.session->refresh({}));
        QVERIFY(spinUntil([&store] { return store.saving.load() == 1; }));
        QVERIFY(!spinUntil([&refreshed] { return refreshed->done.load(); }, 300ms));

        store.gate.release();
        QVERIFY(spinUntil([&refreshed] { return refreshed->done.load(); }));
        QCOMPARE(refreshed->value->refreshToken, QStringLiteral("refresh-access-1"));
        QCOMPARE(store.load(), refreshed->value);
    }
};

QTEST_GUILESS_MAIN(tst_AuthSession)
#include "tst_AuthSession.moc"
