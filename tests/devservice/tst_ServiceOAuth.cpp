// The sign-in flow of parcella-devservice as the application drives it: the authorize page,
// PKCE code exchange, refresh rotation with its grace for a lost answer, revocation, and the
// errors of each step.
#include "DevServiceProcess.h"
#include "ServiceClient.h"

#include <QTest>
#include <QUrlQuery>

class tst_ServiceOAuth : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(service.isRunning(), qPrintable(service.errorText())); }

    void authorizeRejectsUnknownClients() {
        ServiceClient client(service);
        const auto challenge = ServiceClient::challengeFor(ServiceClient::newVerifier());
        // Without a known client and its registered redirect URI nothing may redirect.
        const auto unknownClient =
            client.http().get(client.authorizeUrl(challenge, "st", "someone-else"));
        QCOMPARE(unknownClient.status, 400);
        QVERIFY(unknownClient.header("Location").isEmpty());
        const auto otherRedirect = client.http().get(client.authorizeUrl(
            challenge, "st", ServiceClient::clientId(), "https://evil.test/cb"));
        QCOMPARE(otherRedirect.status, 400);
        QVERIFY(otherRedirect.header("Location").isEmpty());

        // A missing challenge goes back to the application as an OAuth error.
        QUrl plain = client.authorizeUrl(challenge, "st");
        QUrlQuery query(plain);
        query.removeQueryItem("code_challenge");
        plain.setQuery(query);
        const auto noChallenge = client.http().get(plain);
        QCOMPARE(noChallenge.status, 302);
        QVERIFY(noChallenge.header("Location").startsWith("parcella://oauth/callback?"));
        QVERIFY(noChallenge.header("Location").contains("error=invalid_request"));
    }

    void denyAndAllowRedirectWithState() {
        ServiceClient client(service);
        const auto challenge = ServiceClient::challengeFor(ServiceClient::newVerifier());
        const auto denied = client.decide(challenge, "state 1/2", "user-dev", false);
        QCOMPARE(denied.status, 302);
        const QUrl deniedUrl(QString::fromUtf8(denied.header("Location")));
        QCOMPARE(deniedUrl.scheme(), QString("parcella"));
        const QUrlQuery deniedQuery(deniedUrl);
        QCOMPARE(deniedQuery.queryItemValue("error"), QString("access_denied"));
        QCOMPARE(deniedQuery.queryItemValue("state", QUrl::FullyDecoded), QString("state 1/2"));
        QVERIFY(!deniedQuery.hasQueryItem("code"));

        const auto allowed = client.decide(challenge, "xyz", "user-dev", true);
        QCOMPARE(allowed.status, 302);
        const QUrlQuery allowedQuery(QUrl(QString::fromUtf8(allowed.header("Location"))));
        QCOMPARE(allowedQuery.queryItemValue("state"), QString("xyz"));
        QVERIFY(!allowedQuery.queryItemValue("code").isEmpty());
    }

    void codeExchangeChecksVerifierRedirectAndReuse() {
        ServiceClient client(service);
        const auto verifier = ServiceClient::newVerifier();
        const auto code = client.authorize(ServiceClient::challengeFor(verifier));
        QVERIFY(!code.isEmpty());

        const auto tokens = client.exchangeCode(code, verifier);
        QCOMPARE(tokens.status, 200);
        const auto json = tokens.json();
        QCOMPARE(json.keys(),
                 (QStringList{"access_token", "expires_in", "refresh_token", "token_type"}));
        QCOMPARE(json["token_type"].toString(), QString("Bearer"));
        QCOMPARE(json["expires_in"].toInt(), 3600);
        QVERIFY(tokens.header("Cache-Control").contains("no-store"));
        const auto access = json["access_token"].toString();
        QCOMPARE(client.api("GET", "me", access).status, 200);

        // Reuse of a spent code fails and withdraws what the code bought.
        const auto reused = client.exchangeCode(code, verifier);
        QCOMPARE(reused.status, 400);
        QCOMPARE(reused.json()["error"].toString(), QString("invalid_grant"));
        QVERIFY(!reused.json()["error_description"].toString().isEmpty());
        QCOMPARE(client.api("GET", "me", access).status, 401);

        const auto otherVerifier = ServiceClient::newVerifier();
        const auto wrongVerifierCode = client.authorize(ServiceClient::challengeFor(verifier));
        const auto wrongVerifier = client.exchangeCode(wrongVerifierCode, otherVerifier);
        QCOMPARE(wrongVerifier.status, 400);
        QCOMPARE(wrongVerifier.json()["error"].toString(), QString("invalid_grant"));
        // A failed attempt spends the code; the right verifier cannot rescue it.
        QCOMPARE(client.exchangeCode(wrongVerifierCode, verifier).status, 400);

        const auto redirectCode = client.authorize(ServiceClient::challengeFor(verifier));
        const auto wrongRedirect =
            client.exchangeCode(redirectCode, verifier, "parcella://oauth/other");
        QCOMPARE(wrongRedirect.status, 400);
        QCOMPARE(wrongRedirect.json()["error"].toString(), QString("invalid_grant"));

        QCOMPARE(client.exchangeCode("made-up", verifier).json()["error"].toString(),
                 QString("invalid_grant"));
    }

    void revocationEndsTheGrant() {
        ServiceClient client(service);
        const auto tokens = client.signIn();
        QVERIFY(tokens);
        const auto revoked = client.api("DELETE", "token", tokens->accessToken);
        QCOMPARE(revoked.status, 204);
        const auto me = client.api("GET", "me", tokens->accessToken);
        QCOMPARE(me.status, 401);
        QVERIFY(!me.json()["message"].toString().isEmpty());
        QCOMPARE(client.refresh(tokens->refreshToken).status, 400);
        QCOMPARE(client.api("DELETE", "token", QString()).status, 401);
    }

    void shortLifetimesExpireCodesAndTokens() {
        DevServiceProcess shortLived({"--auth-code-lifetime", "1", "--access-token-lifetime", "1"});
        QVERIFY2(shortLived.isRunning(), qPrintable(shortLived.errorText()));
        ServiceClient client(shortLived);
        const auto verifier = ServiceClient::newVerifier();
        const auto staleCode = client.authorize(ServiceClient::challengeFor(verifier));
        const auto tokens = client.signIn();
        QVERIFY(tokens);
        QTest::qWait(2100); // both lifetimes are one second

        const auto expiredCode = client.exchangeCode(staleCode, verifier);
        QCOMPARE(expiredCode.status, 400);
        QCOMPARE(expiredCode.json()["error"].toString(), QString("invalid_grant"));
        QCOMPARE(client.api("GET", "me", tokens->accessToken).status, 401);
        // The refresh token outlives the access token.
        const auto refreshed = client.refresh(tokens->refreshToken);
        QCOMPARE(refreshed.status, 200);
        QCOMPARE(refreshed.json()["expires_in"].toInt(), 1);
    }

    // A client whose refresh answer was lost retries with the old refresh token: accepted once
    // within a minute of the rotation while the new tokens are unused.
    void oldRefreshTokenOnceWithinTheGrace_data() {
        QTest::addColumn<int>("secondsLater");
        QTest::addColumn<bool>("newTokensUsed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("within the window") << 59 << false << true;
        QTest::newRow("past the window") << 61 << false << false;
        QTest::newRow("new access token used") << 1 << true << false;
    }

    void oldRefreshTokenOnceWithinTheGrace() {
        QFETCH(int, secondsLater);
        QFETCH(bool, newTokensUsed);
        QFETCH(bool, accepted);
        ServiceClient client(service);
        const auto first = client.signIn();
        QVERIFY(first);
        const auto rotated = client.refresh(first->refreshToken);
        QCOMPARE(rotated.status, 200);
        const auto lost = rotated.json();
        if (newTokensUsed)
            QCOMPARE(client.api("GET", "me", lost["access_token"].toString()).status, 200);
        advanceClock(secondsLater);

        const auto retry = client.refresh(first->refreshToken);
        QCOMPARE(retry.status, accepted ? 200 : 400);
        if (!accepted) {
            QCOMPARE(retry.json()["error"].toString(), QString("invalid_grant"));
            return;
        }
        // The retry's tokens replace the lost ones, and the old token is spent.
        QCOMPARE(client.refresh(first->refreshToken).status, 400);
        QCOMPARE(client.api("GET", "me", lost["access_token"].toString()).status, 401);
        QCOMPARE(client.refresh(lost["refresh_token"].toString()).status, 400);
        QCOMPARE(client.api("GET", "me", retry.json()["access_token"].toString()).status, 200);
    }

private:
    void advanceClock(int seconds) {
        ServiceClient client(service);
        const auto reply = client.http().send(
            "POST", QUrl(service.url("/admin/clock")),
            QJsonDocument(QJsonObject{{"advanceSeconds", seconds}}).toJson(),
            {{"X-Admin-Token", "oauth-admin"}, {"Content-Type", "application/json"}});
        QCOMPARE(reply.status, 204);
    }

    DevServiceProcess service{{"--admin-token", "oauth-admin"}};
};

QTEST_GUILESS_MAIN(tst_ServiceOAuth)
#include "tst_ServiceOAuth.moc"
