#include "ServiceClient.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QUrlQuery>

namespace {
QString base64Url(const QByteArray& bytes) {
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}
} // namespace

QString ServiceClient::newVerifier() {
    QByteArray bytes(32, '\0');
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return base64Url(bytes);
}

QString ServiceClient::challengeFor(const QString& verifier) {
    return base64Url(QCryptographicHash::hash(verifier.toUtf8(), QCryptographicHash::Sha256));
}

QUrl ServiceClient::authorizeUrl(const QString& challenge, const QString& state,
                                 const QString& clientId, const QString& redirectUri) const {
    QUrl url(service_.url("/oauth/authorize"));
    QUrlQuery query;
    query.addQueryItem("response_type", "code");
    query.addQueryItem("client_id", clientId);
    query.addQueryItem("redirect_uri", QString::fromLatin1(QUrl::toPercentEncoding(redirectUri)));
    query.addQueryItem("state", state);
    query.addQueryItem("code_challenge", challenge);
    query.addQueryItem("code_challenge_method", "S256");
    url.setQuery(query);
    return url;
}

HttpReply ServiceClient::decide(const QString& challenge, const QString& state,
                                const QString& userId, bool allow) {
    return http_.postForm(QUrl(service_.url("/oauth/authorize")),
                          {{"response_type", "code"},
                           {"client_id", clientId()},
                           {"redirect_uri", redirectUri()},
                           {"state", state},
                           {"code_challenge", challenge},
                           {"code_challenge_method", "S256"},
                           {"user", userId},
                           {"decision", allow ? "allow" : "deny"}});
}

QString ServiceClient::authorize(const QString& challenge, const QString& userId) {
    const auto reply = decide(challenge, "s", userId, true);
    const QUrlQuery query(QUrl(QString::fromUtf8(reply.header("Location"))));
    return reply.status == 302 ? query.queryItemValue("code", QUrl::FullyDecoded) : QString();
}

HttpReply ServiceClient::exchangeCode(const QString& code, const QString& verifier,
                                      const QString& redirectUri) {
    return http_.postForm(QUrl(service_.url("/oauth/token")), {{"client_id", clientId()},
                                                               {"code", code},
                                                               {"code_verifier", verifier},
                                                               {"grant_type", "authorization_code"},
                                                               {"redirect_uri", redirectUri}});
}

HttpReply ServiceClient::refresh(const QString& refreshToken) {
    return http_.postForm(QUrl(service_.url("/oauth/token")), {{"client_id", clientId()},
                                                               {"grant_type", "refresh_token"},
                                                               {"refresh_token", refreshToken}});
}

std::optional<ServiceTokens> ServiceClient::signIn(const QString& userId) {
    const auto verifier = newVerifier();
    const auto code = authorize(challengeFor(verifier), userId);
    if (code.isEmpty())
        return std::nullopt;
    const auto reply = exchangeCode(code, verifier);
    if (reply.status != 200)
        return std::nullopt;
    const auto json = reply.json();
    return ServiceTokens{json["access_token"].toString(), json["refresh_token"].toString()};
}

HttpReply ServiceClient::api(const QByteArray& method, const QString& path, const QString& token,
                             const QByteArray& body) {
    HttpHeaders headers{{"Accept", "application/json"}};
    if (!token.isEmpty())
        headers.append(qMakePair(QByteArray("Authorization"), "Bearer " + token.toUtf8()));
    if (method == "POST" || method == "PATCH" || !body.isEmpty())
        headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    return http_.send(method, QUrl(service_.url("/api/v1/" + path)),
                      body.isEmpty() && method == "POST" ? QByteArray("{}") : body, headers);
}

HttpReply ServiceClient::api(const QByteArray& method, const QString& path, const QString& token,
                             const QJsonObject& body) {
    return api(method, path, token, QJsonDocument(body).toJson(QJsonDocument::Compact));
}

QString ServiceClient::upload(const QString& workspaceId, const QString& filename,
                              const QByteArray& bytes, const QString& token) {
    const auto create = api("POST", "workspaces/" + workspaceId + "/uploads/sign", token,
                            QJsonObject{{"method", "POST"}, {"key", filename}});
    const auto key = create.json()["key"].toString();
    if (create.status != 200 || key.isEmpty())
        return {};
    const auto put = api("POST", "workspaces/" + workspaceId + "/uploads/sign", token,
                         QJsonObject{{"method", "PUT"}, {"key", key}});
    if (put.status != 200)
        return {};
    const auto stored = http_.send("PUT", QUrl(put.json()["url"].toString()), bytes);
    if (stored.status != 200)
        return {};
    const auto uploadId = key.section('/', -1);
    const auto confirmed =
        api("POST", "workspaces/" + workspaceId + "/uploads/" + uploadId + "/complete", token);
    return confirmed.status == 200 ? confirmed.json()["id"].toString() : QString();
}
