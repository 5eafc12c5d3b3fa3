#pragma once

#include "HTTP.h"
#include "SignBody.h"
#include "SignedRequest.h"
#include "UploadedPart.h"

#include <QCoroTask>
#include <QList>
#include <QString>

#include <optional>
#include <stop_token>

namespace ParcelKit {

class APIClient;

// The object-storage requests of a multipart upload, each presigned by the service and sent as a
// plain request to the signed URL. One call is one attempt: retrying is the caller's. Storage
// answers that are not success raise BucketError, or UploadGone where the storage says the
// multipart upload does not exist (NoSuchUpload); service failures arrive as ParcelKitError.
class MultipartStorage {
public:
    MultipartStorage(APIClient& api, QString workspaceID);

    struct Started {
        QString objectKey;
        QString uploadID;
    };
    // Starts a multipart upload for an object named `filename`; the service picks the key.
    QCoro::Task<Started> start(QString filename, std::stop_token token) const;

    // The parts the storage holds, as listed in one answer; absent when the upload does not exist.
    QCoro::Task<std::optional<QList<UploadedPart>>> listParts(QString key, QString uploadID,
                                                              std::stop_token token) const;

    QCoro::Task<SignedRequest> signPart(QString key, QString uploadID, int partNumber,
                                        std::stop_token token) const;
    // Sends one part to its signed request; `progress` gets the bytes sent so far.
    QCoro::Task<UploadedPart> putPart(SignedRequest request, int partNumber, QByteArray body,
                                      HTTP::ProgressCallback progress, std::stop_token token) const;

    // Completes the upload from `parts`. An upload the storage no longer knows counts as
    // completed before; InvalidPart, InvalidPartOrder and EntityTooSmall raise
    // ParcelKitError::server, which is not retried unless its status is a passing one.
    QCoro::Task<void> complete(QString key, QString uploadID, QList<UploadedPart> parts,
                               std::stop_token token) const;

    // Has the service confirm the assembled object; returns the service's upload id.
    QCoro::Task<QString> confirm(QString serviceUploadID, std::stop_token token) const;

    // The request for a presigned storage call: the signed URL and headers, 60 s idle timeout.
    static HTTPRequest request(const SignedRequest& signedRequest, const QByteArray& method);

private:
    QCoro::Task<SignedRequest> sign(SignBody body, std::stop_token token) const;
    QCoro::Task<HTTP::Answer> send(HTTPRequest request, std::stop_token token) const;

    APIClient* m_api;
    QString m_workspaceID;
};

} // namespace ParcelKit
