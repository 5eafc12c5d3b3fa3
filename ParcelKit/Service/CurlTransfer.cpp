#include "CurlTransfer.h"

#include "ParcelKitError.h"
#include "SendRateLimiter.h"
#include "TransportError.h"

#include <algorithm>
#include <cstring>

namespace ParcelKit {

namespace {

// Large bodies go out in big slices so that a 16 MiB part costs few callbacks; small requests
// keep libcurl's default buffer.
constexpr long largeUploadBuffer = 1024 * 1024;

bool isMethod(const QByteArray& method, const char* name) {
    return method.compare(name, Qt::CaseInsensitive) == 0;
}

// Methods whose requests always carry a length, even for an empty body.
bool alwaysSendsBody(const QByteArray& method) {
    return isMethod(method, "POST") || isMethod(method, "PUT") || isMethod(method, "PATCH");
}

} // namespace

CurlTransfer::CurlTransfer(quint64 id, HTTPRequest request, HTTP::ProgressCallback progress,
                           Continuation<HTTP::Answer> continuation)
    : m_id(id), m_request(std::move(request)), m_progress(std::move(progress)),
      m_continuation(std::move(continuation)) {}

CurlTransfer::~CurlTransfer() {
    curl_slist_free_all(m_headerList);
}

bool CurlTransfer::attach(CURL* easy, SendRateLimiter& limiter) {
    m_easy = easy;
    if (m_request.uploadRateLimited) {
        m_limiter = &limiter;
        m_limiter->join();
    }
    const CURLcode result = configure();
    if (result == CURLE_OK)
        return true;
    m_continuation.fail(TransportError::fromCurl(result));
    return false;
}

CURL* CurlTransfer::detach() {
    if (m_limiter)
        std::exchange(m_limiter, nullptr)->leave(m_easy);
    return std::exchange(m_easy, nullptr);
}

CURLcode CurlTransfer::configure() {
    CURLcode result = CURLE_OK;
    const auto set = [&](CURLoption option, auto value) {
        if (result == CURLE_OK)
            result = curl_easy_setopt(m_easy, option, value);
    };

    set(CURLOPT_PRIVATE, static_cast<void*>(this));
    set(CURLOPT_URL, m_request.url.toEncoded().constData());
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);

    // An idle timeout, not a limit on the whole transfer: fewer than one byte per second over
    // the whole interval ends it, however long a slow but moving upload takes.
    const auto timeout = m_request.timeout.count();
    if (timeout > 0) {
        set(CURLOPT_CONNECTTIMEOUT_MS, long(timeout));
        set(CURLOPT_LOW_SPEED_LIMIT, 1L);
        set(CURLOPT_LOW_SPEED_TIME, long(std::max<qint64>(1, (timeout + 999) / 1000)));
    }

    const QByteArray& method = m_request.method;
    const qint64 bodySize = m_request.body.size();
    if (isMethod(method, "HEAD")) {
        set(CURLOPT_NOBODY, 1L);
    } else if (bodySize > 0 || alwaysSendsBody(method)) {
        // Every body goes out as an upload (Content-Length, no form content type), whatever
        // the method is called.
        set(CURLOPT_UPLOAD, 1L);
        set(CURLOPT_INFILESIZE_LARGE, curl_off_t(bodySize));
        set(CURLOPT_READFUNCTION, &CurlTransfer::readBody);
        set(CURLOPT_READDATA, static_cast<void*>(this));
        // A request retried on a fresh connection starts its body again.
        set(CURLOPT_SEEKFUNCTION, &CurlTransfer::seekBody);
        set(CURLOPT_SEEKDATA, static_cast<void*>(this));
        if (bodySize >= largeUploadBuffer)
            set(CURLOPT_UPLOAD_BUFFERSIZE, largeUploadBuffer);
        if (!isMethod(method, "PUT"))
            set(CURLOPT_CUSTOMREQUEST, method.constData());
    } else if (!isMethod(method, "GET")) {
        set(CURLOPT_CUSTOMREQUEST, method.constData());
    }

    for (const auto& [name, value] : m_request.headers) {
        // "Name;" is libcurl's spelling of a header with an empty value.
        const QByteArray line = value.isEmpty() ? name + ';' : name + ": " + value;
        m_headerList = curl_slist_append(m_headerList, line.constData());
    }
    // No "100-continue" round trip before each body.
    if (!m_request.header("Expect"))
        m_headerList = curl_slist_append(m_headerList, "Expect:");
    set(CURLOPT_HTTPHEADER, m_headerList);

    set(CURLOPT_HEADERFUNCTION, &CurlTransfer::collectHeader);
    set(CURLOPT_HEADERDATA, static_cast<void*>(this));
    set(CURLOPT_WRITEFUNCTION, &CurlTransfer::writeBody);
    set(CURLOPT_WRITEDATA, static_cast<void*>(this));
    // The progress callback also notices a cancelled await and stops the transfer early.
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_XFERINFOFUNCTION, &CurlTransfer::onProgress);
    set(CURLOPT_XFERINFODATA, static_cast<void*>(this));
    return result;
}

void CurlTransfer::finish(CURLcode result) {
    // The scheme was checked before: here these codes mean the server answered something that
    // is not HTTP, which reaches the caller as an answer without a status.
    if (result == CURLE_UNSUPPORTED_PROTOCOL || result == CURLE_WEIRD_SERVER_REPLY) {
        HTTP::Answer notHTTP;
        notHTTP.response.url = m_request.url;
        m_continuation.resume(std::move(notHTTP));
        return;
    }
    long status = 0;
    curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &status);
    if (m_answerTooLarge) {
        m_continuation.fail(ParcelKitError::undecodableAnswer(int(status)));
        return;
    }
    // libcurl counts a connection closed inside the head, after the status line, as a complete
    // answer without a body; a token refresh cut there must not read as an undecodable 200.
    if (result == CURLE_OK && !isComplete(int(status)))
        result = CURLE_PARTIAL_FILE;
    if (result != CURLE_OK) {
        long osErrno = 0;
        curl_easy_getinfo(m_easy, CURLINFO_OS_ERRNO, &osErrno);
        m_continuation.fail(TransportError::fromCurl(result, int(osErrno)));
        return;
    }
    // The last report shows the whole body sent, unless a cancelled caller has moved on.
    curl_off_t sent = 0;
    curl_easy_getinfo(m_easy, CURLINFO_SIZE_UPLOAD_T, &sent);
    if (!m_continuation.isResumed())
        reportProgress(sent);

    HTTP::Answer answer;
    answer.body = std::move(m_responseBody);
    answer.response.status = int(status);
    answer.response.headers = std::move(m_responseHeaders);
    answer.response.url = m_request.url;
    m_continuation.resume(std::move(answer));
}

bool CurlTransfer::isComplete(int status) const {
    if (!m_headComplete)
        return false;
    // These answers never carry a body, whatever length they name.
    const bool bodiless = status == 204 || status == 304 || isMethod(m_request.method, "HEAD");
    return !m_announcedLength || bodiless || m_responseBody.size() >= *m_announcedLength;
}

void CurlTransfer::reportProgress(curl_off_t sent) {
    if (!m_progress || sent == m_reportedSent)
        return;
    m_reportedSent = sent;
    m_progress(qint64(sent));
}

size_t CurlTransfer::readBody(char* buffer, size_t size, size_t count, void* self) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    const QByteArray& body = transfer->m_request.body;
    size_t length = std::min(size * count, size_t(body.size() - transfer->m_bodyOffset));
    if (length > 0 && transfer->m_limiter) {
        length = transfer->m_limiter->allow(transfer->m_easy, length);
        if (length == 0)
            return CURL_READFUNC_PAUSE;
    }
    std::memcpy(buffer, body.constData() + transfer->m_bodyOffset, length);
    transfer->m_bodyOffset += qint64(length);
    return length;
}

int CurlTransfer::seekBody(void* self, curl_off_t offset, int origin) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    if (origin != SEEK_SET || offset < 0 || offset > transfer->m_request.body.size())
        return CURL_SEEKFUNC_CANTSEEK;
    transfer->m_bodyOffset = qint64(offset);
    return CURL_SEEKFUNC_OK;
}

size_t CurlTransfer::writeBody(char* data, size_t size, size_t count, void* self) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    const qsizetype length = qsizetype(size * count);
    if (transfer->m_responseBody.size() + length > transfer->m_request.answerLimit) {
        transfer->m_answerTooLarge = true;
        return CURL_WRITEFUNC_ERROR;
    }
    transfer->m_responseBody.append(data, length);
    return size * count;
}

// Sees every header line of every answer on the way, interim (1xx) ones included; each status
// line starts over, so only the final answer's fields remain, in their order.
size_t CurlTransfer::collectHeader(char* data, size_t size, size_t count, void* self) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    const size_t length = size * count;
    QByteArray line(data, qsizetype(length));
    auto& headers = transfer->m_responseHeaders;
    if (line.startsWith("HTTP/")) {
        headers.clear();
        transfer->m_responseBody.clear();
        transfer->m_headComplete = false;
        transfer->m_announcedLength.reset();
        return length;
    }
    if (line == "\r\n" || line == "\n") {
        transfer->m_headComplete = true;
        return length;
    }
    if ((line.startsWith(' ') || line.startsWith('\t')) && !headers.isEmpty()) {
        headers.last().second += ' ' + line.trimmed();
        return length;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
        return length;
    QByteArray name = line.left(colon).trimmed();
    QByteArray value = line.mid(colon + 1).trimmed();
    if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
        bool ok = false;
        const qint64 announced = value.toLongLong(&ok);
        if (ok && announced >= 0) {
            transfer->m_announcedLength = announced;
            transfer->m_responseBody.reserve(
                qsizetype(std::min(announced, transfer->m_request.answerLimit)));
        }
    }
    headers.append({std::move(name), std::move(value)});
    return length;
}

int CurlTransfer::onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    if (transfer->m_continuation.isResumed())
        return 1;
    transfer->reportProgress(sent);
    return 0;
}

} // namespace ParcelKit
