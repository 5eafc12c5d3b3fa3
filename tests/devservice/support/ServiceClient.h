#pragma once

#include "DevServiceProcess.h"
#include "HttpClient.h"

#include <QJsonObject>
#include <optional>

struct ServiceTokens {
    QString accessToken;
    QString refreshToken;
};

// The requests a client of the devservice makes, spelled out once for the tests: the browser
// sign-in with PKCE, token calls, JSON API calls and a complete upload of a small file.
class ServiceClient {
public:
    explicit ServiceClient(const DevServiceProcess& service) : service_(service) {}

    static QString clientId() { return QStringLiteral("5d0c7a52-9f3e-4b8e-a1d4-2c6f0e9b7a31"); }
    static QString redirectUri() { return QStringLiteral("parcella://oauth/callback"); }
    static QString newVerifier();
    static QString challengeFor(const QString& verifier);

    QUrl authorizeUrl(const QString& challenge, const QString& state,
                      const QString& clientId = ServiceClient::clientId(),
                      const QString& redirectUri = ServiceClient::redirectUri()) const;
    // Posts the sign-in form as the browser would; returns the reply (a 302 on success).
    HttpReply decide(const QString& challenge, const QString& state, const QString& userId,
                     bool allow);
    // The "code" of a successful sign-in redirect, or empty.
    QString authorize(const QString& challenge, const QString& userId = "user-dev");
    HttpReply exchangeCode(const QString& code, const QString& verifier,
                           const QString& redirectUri = ServiceClient::redirectUri());
    HttpReply refresh(const QString& refreshToken);
    std::optional<ServiceTokens> signIn(const QString& userId = "user-dev");

    HttpReply api(const QByteArray& method, const QString& path, const QString& token,
                  const QByteArray& body = {});
    HttpReply api(const QByteArray& method, const QString& path, const QString& token,
                  const QJsonObject& body);
    // Signs a create, PUTs the bytes with a presigned single-object PUT, and confirms; returns
    // the service upload id or empty on any failure.
    QString upload(const QString& workspaceId, const QString& filename, const QByteArray& bytes,
                   const QString& token);

    HttpClient& http() { return http_; }
    const DevServiceProcess& service() const { return service_; }

private:
    const DevServiceProcess& service_;
    HttpClient http_;
};
