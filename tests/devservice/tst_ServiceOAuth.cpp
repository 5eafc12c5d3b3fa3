// The sign-in flow of parcella-devservice as the application drives it: the authorize page,
// PKCE code exchange, refresh rotation and revocation, and the errors of each step.
#include "DevServiceProcess.h"
#include "ServiceClient.h"

#include <QTest>
#include <QUrlQuery>

class tst_ServiceOAuth : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(service.isRunning(), qPrintable(service.errorText())); }

    void authorizePageListsUsersAndRejectsUnknownClients() {
        ServiceClient client(service);
        const auto challenge = ServiceClient::challengeFor(ServiceClient::newVerifier());
        const auto page = client.http().get(client.authorizeUrl(challenge, "st"));
        QCOMPARE(page.status, 200);
        QVERIFY(page.body.contains("Allow"));
        QVERIFY(page.body.contains("Deny"));
        QVERIFY(page.body.contains("value=\"user-second\""));

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

    void tokenEndpointRequestErrors() {
        ServiceClient client(service);
        const QUrl token(service.url("/oauth/token"));
        const auto unsupported = client.http().postForm(
            token, {{"client_id", ServiceClient::clientId()}, {"grant_type", "password"}});
        QCOMPARE(unsupported.status, 400);
        QCOMPARE(unsupported.json()["error"].toString(), QString("unsupported_grant_type"));

        const auto unknownClient = client.http().postForm(
            token,
            {{"client_id", "nobody"}, {"grant_type", "refresh_token"}, {"refresh_token", "x"}});
        QCOMPARE(unknownClient.status, 401);
        QCOMPARE(unknownClient.json()["error"].toString(), QString("invalid_client"));

        const auto missingVerifier =
            client.http().postForm(token, {{"client_id", ServiceClient::clientId()},
                                           {"grant_type", "authorization_code"},
                                           {"code", "abc"},
                                           {"redirect_uri", ServiceClient::redirectUri()}});
        QCOMPARE(missingVerifier.status, 400);
        QCOMPARE(missingVerifier.json()["error"].toString(), QString("invalid_request"));

        const auto json = client.http().send("POST", token, "{\"grant_type\":\"refresh_token\"}",
                                             {{"Content-Type", "application/json"}});
        QCOMPARE(json.status, 400);
        QCOMPARE(json.json()["error"].toString(), QString("invalid_request"));
    }

    void refreshRotatesTokens() {
        ServiceClient client(service);
        const auto first = client.signIn();
        QVERIFY(first);
        const auto refreshed = client.refresh(first->refreshToken);
        QCOMPARE(refreshed.status, 200);
        const auto second = refreshed.json();
        QVERIFY(second["refresh_token"].toString() != first->refreshToken);
        QCOMPARE(client.api("GET", "me", second["access_token"].toString()).status, 200);

        // The rotated-out refresh token (and its access token) stop working.
        const auto reused = client.refresh(first->refreshToken);
        QCOMPARE(reused.status, 400);
        QCOMPARE(reused.json()["error"].toString(), QString("invalid_grant"));
        QCOMPARE(client.api("GET", "me", first->accessToken).status, 401);
        QCOMPARE(client.refresh(second["refresh_token"].toString()).status, 200);
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

private:
    DevServiceProcess service;
};

QTEST_GUILESS_MAIN(tst_ServiceOAuth)
#include "tst_ServiceOAuth.moc"
