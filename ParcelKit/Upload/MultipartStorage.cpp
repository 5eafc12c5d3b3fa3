#include "MultipartStorage.h"

#include "APIClient.h"
#include "BucketError.h"
#include "ParcelKitError.h"
#include "S3XML.h"
#include "UploadGone.h"
#include "UploadMessages.h"

namespace ParcelKit {

namespace {

bool isSuccess(int status) {
    return status >= 200 && status <= 299;
}

BucketError bucketError(const HTTP::Answer& answer, const std::optional<S3XML::Error>& error) {
    return BucketError(answer.response.status, error ? error->message : std::nullopt);
}

bool isNoSuchUpload(const std::optional<S3XML::Error>& error) {
    return error && error->code == QLatin1String("NoSuchUpload");
}

} // namespace

MultipartStorage::MultipartStorage(APIClient& api, QString workspaceID)
    : m_api(&api), m_workspaceID(std::move(workspaceID)) {}

HTTPRequest MultipartStorage::request(const SignedRequest& signedRequest,
                                      const QByteArray& method) {
    HTTPRequest request;
    request.url = signedRequest.url;
    request.method = method;
    request.timeout = std::chrono::seconds(60);
    if (signedRequest.headers) {
        for (auto it = signedRequest.headers->cbegin(); it != signedRequest.headers->cend(); ++it)
            request.setHeader(it.key().toUtf8(), it.value().toUtf8());
    }
    return request;
}

QCoro::Task<SignedRequest> MultipartStorage::sign(SignBody body, std::stop_token token) const {
    co_return co_await m_api->signUpload(std::move(body), m_workspaceID, std::move(token));
}

QCoro::Task<HTTP::Answer> MultipartStorage::send(HTTPRequest request, std::stop_token token) const {
    co_return co_await HTTP::exchange(m_api->urlSession(), std::move(request), std::move(token));
}

QCoro::Task<MultipartStorage::Started> MultipartStorage::start(QString filename,
                                                               std::stop_token token) const {
    SignBody body{QStringLiteral("POST"), std::move(filename), {}, {}, {}};
    const SignedRequest signedRequest = co_await sign(std::move(body), token);
    if (!signedRequest.key)
        throw ParcelKitError::undecodableAnswer(200);
    HTTPRequest post = request(signedRequest, "POST");
    const HTTP::Answer answer = co_await send(std::move(post), token);
    const auto uploadID =
        isSuccess(answer.response.status) ? S3XML::uploadID(answer.body) : std::nullopt;
    if (!uploadID) {
        const auto error = co_await S3XML::readError(answer.body);
        throw bucketError(answer, error);
    }
    co_return Started{*signedRequest.key, *uploadID};
}

QCoro::Task<std::optional<QList<UploadedPart>>>
MultipartStorage::listParts(QString key, QString uploadID, std::stop_token token) const {
    SignBody body{QStringLiteral("GET"), std::move(key), std::move(uploadID), {}, {}};
    const SignedRequest signedRequest = co_await sign(std::move(body), token);
    HTTPRequest get = request(signedRequest, "GET");
    const HTTP::Answer answer = co_await send(std::move(get), token);
    const auto error = co_await S3XML::readError(answer.body);
    if (isNoSuchUpload(error))
        co_return std::nullopt;
    if (!isSuccess(answer.response.status))
        throw bucketError(answer, error);
    co_return S3XML::parts(answer.body);
}

QCoro::Task<SignedRequest> MultipartStorage::signPart(QString key, QString uploadID, int partNumber,
                                                      std::stop_token token) const {
    SignBody body{QStringLiteral("PUT"), std::move(key), std::move(uploadID), partNumber, {}};
    co_return co_await sign(std::move(body), std::move(token));
}

QCoro::Task<UploadedPart> MultipartStorage::putPart(SignedRequest signedRequest, int partNumber,
                                                    QByteArray body,
                                                    HTTP::ProgressCallback progress,
                                                    std::stop_token token) const {
    const qint64 size = body.size();
    HTTPRequest put = request(signedRequest, "PUT");
    put.uploadRateLimited = true;
    const HTTP::Answer answer =
        co_await HTTP::upload(m_api->urlSession(), std::move(put), std::move(body),
                              std::move(progress), std::move(token));
    const auto etag = answer.response.header("ETag");
    if (isSuccess(answer.response.status) && etag && !etag->isEmpty())
        co_return UploadedPart{partNumber, QString::fromUtf8(*etag), size};
    const auto error = co_await S3XML::readError(answer.body);
    if (isNoSuchUpload(error))
        throw UploadGone{};
    throw bucketError(answer, error);
}

QCoro::Task<void> MultipartStorage::complete(QString key, QString uploadID,
                                             QList<UploadedPart> parts,
                                             std::stop_token token) const {
    SignBody body{QStringLiteral("POST"), std::move(key), std::move(uploadID), {}, {}};
    const SignedRequest signedRequest = co_await sign(std::move(body), token);
    HTTPRequest post = request(signedRequest, "POST");
    // Set after the signed headers, so it wins over a signed value.
    post.setHeader("Content-Type", "application/xml");
    post.body = S3XML::completeBody(parts);
    const HTTP::Answer answer = co_await send(std::move(post), token);
    const int status = answer.response.status;
    // The error code decides first: storage may answer 200 and still report an error.
    const auto error = co_await S3XML::readError(answer.body);
    if (const auto code = error ? error->code : std::nullopt) {
        if (*code == QLatin1String("NoSuchUpload"))
            co_return;
        if (*code == QLatin1String("InvalidPart") || *code == QLatin1String("InvalidPartOrder") ||
            *code == QLatin1String("EntityTooSmall"))
            throw ParcelKitError::server(status, error->message);
        throw bucketError(answer, error);
    }
    if (!isSuccess(status))
        throw bucketError(answer, error);
}

QCoro::Task<QString> MultipartStorage::confirm(QString serviceUploadID,
                                               std::stop_token token) const {
    const auto confirmed =
        co_await m_api->completeUpload(std::move(serviceUploadID), m_workspaceID, std::move(token));
    co_return confirmed.id;
}

} // namespace ParcelKit
