#include "APIClient.h"

#include "AuthSession.h"
#include "Cancelled.h"
#include "DataEnvelope.h"
#include "ExpiryBody.h"
#include "HTTP.h"
#include "MainThread.h"
#include "WireEncoder.h"

#include <chrono>

namespace ParcelKit {

namespace {

constexpr std::chrono::seconds requestTimeout{60};

QString workspacePath(const QString& workspaceID, const QString& rest) {
    return QStringLiteral("workspaces/") + workspaceID + QLatin1Char('/') + rest;
}

QString transferPath(const QString& workspaceID, const QString& transferID) {
    return workspacePath(workspaceID, QStringLiteral("transfers/") + transferID);
}

QCoro::Task<void> signOutLocally(AuthSession* auth) {
    auth->forgetSession();
    co_return;
}

template <typename Result> Result decodeAnswer(const APIClient::Answer& answer) {
    try {
        return Result::fromJson(WireDecoder::parse(answer.body));
    } catch (const DecodingError&) {
        throw ParcelKitError::undecodableAnswer(answer.status);
    }
}

} // namespace

APIClient::APIClient(ParcellaConfiguration configuration, AuthSession& auth, URLSession& urlSession)
    : m_configuration(std::move(configuration)), m_auth(auth), m_urlSession(urlSession) {}

QUrl APIClient::endpoint(const QString& path) const {
    QUrl url = m_configuration.baseURL;
    QString fullPath = url.path(QUrl::FullyDecoded);
    if (!fullPath.endsWith(QLatin1Char('/')))
        fullPath += QLatin1Char('/');
    // In decoded mode QUrl percent-encodes whatever a path cannot hold (space, "%", "?", "#").
    url.setPath(fullPath + QStringLiteral("api/v1/") + path, QUrl::DecodedMode);
    return url;
}

QCoro::Task<APIClient::Answer> APIClient::send(QByteArray method, QString path,
                                               std::optional<QJsonObject> body,
                                               std::stop_token token) const {
    throwIfCancelled(token);
    HTTPRequest request;
    request.url = endpoint(path);
    request.method = method;
    request.timeout = requestTimeout;
    request.setHeader("Accept", "application/json");
    request.setHeader("Accept-Language", HTTP::acceptLanguage().toUtf8());
    if (body || method == "POST") {
        request.setHeader("Content-Type", "application/json");
        request.body = body ? WireEncoder::encode(*body) : QByteArray("{}");
    }

    const QString firstToken = co_await accessToken(token);
    request.setHeader("Authorization", "Bearer " + firstToken.toUtf8());
    HTTP::Answer answer = co_await HTTP::exchange(m_urlSession, request, token);

    if (answer.response.status == 401) {
        const QString secondToken = co_await accessTokenAfterRejection(firstToken, token);
        request.setHeader("Authorization", "Bearer " + secondToken.toUtf8());
        answer = co_await HTTP::exchange(m_urlSession, request, token);
        if (answer.response.status == 401) {
            co_await forgetSession(token);
            throw ParcelKitError::notSignedIn();
        }
    }

    const int status = answer.response.status;
    if (status < 200 || status > 299) {
        const ParcelKitError error = co_await HTTP::failure(status, std::move(answer.body));
        throw error;
    }
    co_return Answer{std::move(answer.body), status};
}

template <typename Result>
QCoro::Task<Result> APIClient::fetch(QByteArray method, QString path,
                                     std::optional<QJsonObject> body, std::stop_token token) const {
    const Answer answer =
        co_await send(std::move(method), std::move(path), std::move(body), std::move(token));
    co_return decodeAnswer<Result>(answer);
}

QCoro::Task<Me> APIClient::me(std::stop_token token) const {
    const auto envelope =
        co_await fetch<DataEnvelope<Me>>("GET", QStringLiteral("me"), std::nullopt, token);
    co_return envelope.data;
}

QCoro::Task<QList<Transfer>> APIClient::transfers(QString workspaceID,
                                                  std::stop_token token) const {
    const auto envelope = co_await fetch<DataEnvelope<QList<Transfer>>>(
        "GET", workspacePath(workspaceID, QStringLiteral("transfers")), std::nullopt, token);
    co_return envelope.data;
}

QCoro::Task<Transfer> APIClient::transfer(QString transferID, QString workspaceID,
                                          std::stop_token token) const {
    const auto envelope = co_await fetch<DataEnvelope<Transfer>>(
        "GET", transferPath(workspaceID, transferID), std::nullopt, token);
    co_return envelope.data;
}

QCoro::Task<Transfer> APIClient::createTransfer(NewTransfer newTransfer, QString workspaceID,
                                                std::stop_token token) const {
    const auto envelope = co_await fetch<DataEnvelope<Transfer>>(
        "POST", workspacePath(workspaceID, QStringLiteral("transfers")), newTransfer.toJson(),
        token);
    co_return envelope.data;
}

QCoro::Task<Transfer> APIClient::changeExpiry(QString transferID, QString workspaceID, qint64 days,
                                              std::stop_token token) const {
    const auto envelope = co_await fetch<DataEnvelope<Transfer>>(
        "PATCH", transferPath(workspaceID, transferID), ExpiryBody{days}.toJson(), token);
    co_return envelope.data;
}

QCoro::Task<void> APIClient::deleteTransfer(QString transferID, QString workspaceID,
                                            std::stop_token token) const {
    co_await send("DELETE", transferPath(workspaceID, transferID), std::nullopt, token);
}

QCoro::Task<SignedRequest> APIClient::signUpload(SignBody body, QString workspaceID,
                                                 std::stop_token token) const {
    co_return co_await fetch<SignedRequest>(
        "POST", workspacePath(workspaceID, QStringLiteral("uploads/sign")), body.toJson(), token);
}

QCoro::Task<ConfirmedUpload> APIClient::completeUpload(QString uploadID, QString workspaceID,
                                                       std::stop_token token) const {
    co_return co_await fetch<ConfirmedUpload>(
        "POST", workspacePath(workspaceID, QStringLiteral("uploads/") + uploadID + "/complete"),
        std::nullopt, token);
}

QCoro::Task<QString> APIClient::accessToken(std::stop_token token) const {
    AuthSession& auth = m_auth;
    std::function<QCoro::Task<QString>(std::stop_token)> work = [&auth](std::stop_token stop) {
        return auth.accessToken(std::move(stop));
    };
    co_return co_await MainThread::run<QString>(std::move(work), std::move(token));
}

QCoro::Task<QString> APIClient::accessTokenAfterRejection(QString rejectedToken,
                                                          std::stop_token token) const {
    AuthSession& auth = m_auth;
    std::function<QCoro::Task<QString>(std::stop_token)> work =
        [&auth, rejectedToken](std::stop_token stop) {
            return auth.accessTokenAfterRejection(rejectedToken, std::move(stop));
        };
    co_return co_await MainThread::run<QString>(std::move(work), std::move(token));
}

QCoro::Task<void> APIClient::forgetSession(std::stop_token token) const {
    AuthSession& auth = m_auth;
    std::function<QCoro::Task<void>(std::stop_token)> work = [&auth](std::stop_token) {
        return signOutLocally(&auth);
    };
    co_await MainThread::run<void>(std::move(work), std::move(token));
}

} // namespace ParcelKit
