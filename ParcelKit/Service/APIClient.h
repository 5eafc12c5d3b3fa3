#pragma once

#include "ConfirmedUpload.h"
#include "Me.h"
#include "NewTransfer.h"
#include "ParcellaConfiguration.h"
#include "SignBody.h"
#include "SignedRequest.h"
#include "Transfer.h"

#include <QByteArray>
#include <QCoroTask>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>
#include <stop_token>

namespace ParcelKit {

class AuthSession;
class URLSession;

// The service's REST API under baseURL + "api/v1": authorized JSON requests with one retry on a
// fresh token after a 401, answers decoded into wire records. Immutable after construction and
// usable from any thread; the token is fetched on the main thread, where the session lives.
// Every operation fails with ParcelKitError or Cancelled; an answer that cannot be decoded fails
// with server(status, "The server sent an answer the app doesn't understand.").
class APIClient {
public:
    struct Answer {
        QByteArray body;
        int status = 0;
    };

    // `auth` and `urlSession` must outlive the client and every call in flight.
    APIClient(ParcellaConfiguration configuration, AuthSession& auth, URLSession& urlSession);

    // One authorized exchange. `path` is relative to "api/v1" without a leading slash; "/"
    // separates its segments and each segment is percent-encoded as a path needs. A POST without
    // a body sends "{}". Returns the body and status of a 2xx answer.
    QCoro::Task<Answer> send(QByteArray method, QString path, std::optional<QJsonObject> body,
                             std::stop_token token) const;

    QCoro::Task<Me> me(std::stop_token token) const;
    // In the service's order.
    QCoro::Task<QList<Transfer>> transfers(QString workspaceID, std::stop_token token) const;
    QCoro::Task<Transfer> transfer(QString transferID, QString workspaceID,
                                   std::stop_token token) const;
    QCoro::Task<Transfer> createTransfer(NewTransfer newTransfer, QString workspaceID,
                                         std::stop_token token) const;
    QCoro::Task<Transfer> changeExpiry(QString transferID, QString workspaceID, qint64 days,
                                       std::stop_token token) const;
    // Succeeds on any 2xx answer; its body is ignored.
    QCoro::Task<void> deleteTransfer(QString transferID, QString workspaceID,
                                     std::stop_token token) const;
    QCoro::Task<SignedRequest> signUpload(SignBody body, QString workspaceID,
                                          std::stop_token token) const;
    QCoro::Task<ConfirmedUpload> completeUpload(QString uploadID, QString workspaceID,
                                                std::stop_token token) const;

    const ParcellaConfiguration& configuration() const { return m_configuration; }
    // The session the client exchanges on; object-storage requests go through it as well.
    URLSession& urlSession() const { return m_urlSession; }

    // The address of `path` below "api/v1".
    QUrl endpoint(const QString& path) const;

private:
    template <typename Result>
    QCoro::Task<Result> fetch(QByteArray method, QString path, std::optional<QJsonObject> body,
                              std::stop_token token) const;
    QCoro::Task<QString> accessToken(std::stop_token token) const;
    QCoro::Task<QString> accessTokenAfterRejection(QString rejectedToken,
                                                   std::stop_token token) const;
    QCoro::Task<void> forgetSession(std::stop_token token) const;

    ParcellaConfiguration m_configuration;
    AuthSession& m_auth;
    URLSession& m_urlSession;
};

} // namespace ParcelKit
