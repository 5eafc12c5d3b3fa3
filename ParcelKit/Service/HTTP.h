#pragma once

#include "HTTPRequest.h"
#include "HTTPResponse.h"
#include "ParcelKitError.h"

#include <QCoroTask>
#include <QStringList>

#include <functional>
#include <stop_token>

namespace ParcelKit {

class URLSession;

// The only way engine code hands a request to the URL loading system.
namespace HTTP {

struct Answer {
    QByteArray body;
    HTTPResponse response;
};

// Called on the network thread with the total bytes of the body sent so far.
using ProgressCallback = std::function<void(qint64 totalBytesSent)>;

// Sends the request and awaits the whole answer, whatever its status. Transport failures become
// ParcelKitError (see ParcelKitError::wrapping); a stop ends it with Cancelled.
QCoro::Task<Answer> exchange(URLSession& session, HTTPRequest request, std::stop_token token);

// The same with `body` as the upload body, reporting send progress when `progress` is set.
QCoro::Task<Answer> upload(URLSession& session, HTTPRequest request, QByteArray body,
                           ProgressCallback progress, std::stop_token token);

// Maps a non-2xx answer to the engine error.
ParcelKitError errorFor(int status, const QByteArray& body);
// errorFor, on the thread pool for a large body, resuming on the calling thread: the body may be
// a large or hostile document, which must not stall the main thread.
QCoro::Task<ParcelKitError> failure(int status, QByteArray body);

// "de" or "en" from the user's preferred languages.
QString acceptLanguage();
QString acceptLanguage(const QStringList& preferredLanguages);

} // namespace HTTP
} // namespace ParcelKit
