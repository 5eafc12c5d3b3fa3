#pragma once

#include "Continuation.h"
#include "HTTP.h"

#include <curl/curl.h>

#include <optional>

namespace ParcelKit {

class SendRateLimiter;

// One request on its way through libcurl: it configures an easy handle, feeds the request body
// from the request's own buffer, collects the final answer and hands the outcome to the awaiting
// coroutine. Built on any thread; everything from attach() on happens on the network thread.
class CurlTransfer {
public:
    CurlTransfer(quint64 id, HTTPRequest request, HTTP::ProgressCallback progress,
                 Continuation<HTTP::Answer> continuation);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    quint64 id() const { return m_id; }
    const Continuation<HTTP::Answer>& continuation() const { return m_continuation; }

    // Configures `easy` for this request; false when libcurl refused an option, in which case
    // the continuation has been failed. A request under the upload rate limit sends its body
    // within `limiter`.
    bool attach(CURL* easy, SendRateLimiter& limiter);
    // The easy handle, released for reuse.
    CURL* detach();

    // Hands the outcome of the finished transfer to the awaiting coroutine.
    void finish(CURLcode result);

private:
    CURLcode configure();
    // The final answer's head ended and its body is as long as announced.
    bool isComplete(int status) const;
    void reportProgress(curl_off_t sent);

    static size_t readBody(char* buffer, size_t size, size_t count, void* self);
    static int seekBody(void* self, curl_off_t offset, int origin);
    static size_t writeBody(char* data, size_t size, size_t count, void* self);
    static size_t collectHeader(char* data, size_t size, size_t count, void* self);
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent);

    quint64 m_id;
    HTTPRequest m_request;
    HTTP::ProgressCallback m_progress;
    Continuation<HTTP::Answer> m_continuation;
    CURL* m_easy = nullptr;
    SendRateLimiter* m_limiter = nullptr;
    curl_slist* m_headerList = nullptr;
    qint64 m_bodyOffset = 0;
    curl_off_t m_reportedSent = -1;
    QList<std::pair<QByteArray, QByteArray>> m_responseHeaders;
    QByteArray m_responseBody;
    bool m_headComplete = false;
    std::optional<qint64> m_announcedLength;
    bool m_answerTooLarge = false;
};

} // namespace ParcelKit
