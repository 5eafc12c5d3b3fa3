#include "FakeStorageService.h"

#include "S3XML.h"

#include <QCryptographicHash>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrlQuery>

#include <thread>

namespace ParcelKit::Testing {

namespace {

const QString storagePrefix = QStringLiteral("/storage/");
const QByteArray signedHeader = "x-amz-meta-signed";

QByteArray errorDocument(const QString& code, const QString& message) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Code>" + code.toUtf8() +
           "</Code><Message>" + message.toUtf8() + "</Message></Error>";
}

TestHTTPServer::Reply s3Error(int status, const QString& code, const QString& message) {
    return TestHTTPServer::Reply::xml(status, errorDocument(code, message));
}

TestHTTPServer::Reply noSuchUpload() {
    return s3Error(404, QStringLiteral("NoSuchUpload"),
                   QStringLiteral("The specified upload does not exist."));
}

QString etagOf(const QByteArray& bytes) {
    return '"' +
           QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex()) +
           '"';
}

} // namespace

const QString FakeStorageService::accessToken = QStringLiteral("fake-access-token");

FakeStorageService::FakeStorageService() {
    m_server.setHandler([this](const RecordedRequest& request) { return handle(request); });
}

void FakeStorageService::fail(Route route, Fault fault, int times) {
    std::lock_guard lock(m_mutex);
    for (int i = 0; i < times; ++i)
        m_faults[route].append(fault);
}

void FakeStorageService::setMinPartSize(qint64 bytes) {
    std::lock_guard lock(m_mutex);
    m_minPartSize = bytes;
}

void FakeStorageService::setPartDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(m_mutex);
    m_partDelay = delay;
}

void FakeStorageService::onPartStored(std::function<void(int)> hook) {
    std::lock_guard lock(m_mutex);
    m_partHook = std::move(hook);
}

int FakeStorageService::count(Route route) const {
    std::lock_guard lock(m_mutex);
    return m_counts.value(route);
}

QList<RecordedRequest> FakeStorageService::requests(Route route) const {
    QList<RecordedRequest> requests = m_server.requests();
    requests.removeIf(
        [route](const RecordedRequest& request) { return routeOf(request) != route; });
    return requests;
}

qint64 FakeStorageService::peakPartBytes() const {
    std::lock_guard lock(m_mutex);
    return m_peakPartBytes;
}

QList<int> FakeStorageService::storedParts() const {
    std::lock_guard lock(m_mutex);
    return m_storedParts;
}

std::optional<QByteArray> FakeStorageService::object(const QString& key) const {
    std::lock_guard lock(m_mutex);
    if (!m_objects.contains(key))
        return std::nullopt;
    return m_objects.value(key);
}

QStringList FakeStorageService::openUploads() const {
    std::lock_guard lock(m_mutex);
    QStringList ids = m_uploads.keys();
    ids.sort();
    return ids;
}

QString FakeStorageService::startUpload(const QString& key) {
    std::lock_guard lock(m_mutex);
    return newUploadLocked(key);
}

QString FakeStorageService::storePart(const QString& uploadID, int partNumber,
                                      const QByteArray& bytes) {
    std::lock_guard lock(m_mutex);
    const QString etag = etagOf(bytes);
    m_uploads[uploadID].parts.insert(partNumber, Part{bytes, etag});
    return etag;
}

void FakeStorageService::forgetUploads() {
    std::lock_guard lock(m_mutex);
    m_uploads.clear();
}

QString FakeStorageService::newUploadLocked(const QString& key) {
    const QString id = QStringLiteral("mpu-%1").arg(m_nextID++);
    m_uploads.insert(id, Upload{key, {}});
    return id;
}

FakeStorageService::Route FakeStorageService::routeOf(const RecordedRequest& request) {
    static const QRegularExpression signPath(
        QStringLiteral("^/api/v1/workspaces/[^/]+/uploads/sign$"));
    static const QRegularExpression confirmPath(
        QStringLiteral("^/api/v1/workspaces/[^/]+/uploads/[^/]+/complete$"));
    const QString path = request.path();
    if (request.method == "POST" && signPath.match(path).hasMatch())
        return Route::sign;
    if (request.method == "POST" && confirmPath.match(path).hasMatch())
        return Route::confirm;
    if (!path.startsWith(storagePrefix))
        return Route::unknown;
    const QUrlQuery query = request.query();
    const bool hasUpload = query.hasQueryItem(QStringLiteral("uploadId"));
    if (request.method == "POST" && query.hasQueryItem(QStringLiteral("uploads")))
        return Route::create;
    if (request.method == "PUT" && hasUpload && query.hasQueryItem(QStringLiteral("partNumber")))
        return Route::part;
    if (request.method == "GET" && hasUpload)
        return Route::list;
    if (request.method == "POST" && hasUpload)
        return Route::complete;
    if (request.method == "DELETE" && hasUpload)
        return Route::abort;
    return Route::unknown;
}

TestHTTPServer::Reply FakeStorageService::faultReply(Route route, const Fault& fault) {
    Reply reply;
    const bool isService = route == Route::sign || route == Route::confirm;
    if (fault.dropAfterBytes)
        reply = Reply::empty(500).droppedAfter(*fault.dropAfterBytes);
    else if (isService)
        reply = Reply::json(fault.status, QJsonObject{{"message", fault.message.value_or("")}});
    else if (fault.code)
        reply = s3Error(fault.status, *fault.code, fault.message.value_or(*fault.code));
    else
        reply = Reply::empty(fault.status);
    return reply.after(fault.delay);
}

TestHTTPServer::Reply FakeStorageService::handle(const RecordedRequest& request) {
    const Route route = routeOf(request);
    std::optional<Fault> fault;
    {
        std::lock_guard lock(m_mutex);
        ++m_counts[route];
        auto& faults = m_faults[route];
        if (!faults.isEmpty())
            fault = faults.takeFirst();
    }
    if (fault && !fault->afterEffect)
        return faultReply(route, *fault);
    Reply reply = answer(route, request);
    return fault ? faultReply(route, *fault) : reply;
}

TestHTTPServer::Reply FakeStorageService::answer(Route route, const RecordedRequest& request) {
    switch (route) {
    case Route::sign:
    case Route::confirm:
        if (request.header("Authorization") != "Bearer " + accessToken.toUtf8())
            return Reply::json(401, QJsonObject{{"message", "Unauthenticated."}});
        return route == Route::sign ? sign(request) : confirm(request);
    case Route::unknown:
        return Reply::empty(404);
    default:
        return storage(route, request);
    }
}

TestHTTPServer::Reply FakeStorageService::sign(const RecordedRequest& request) {
    const QString workspace = request.path().section('/', 4, 4);
    const QJsonObject body = request.jsonObject();
    const QByteArray method = body.value("method").toString().toUtf8();
    QString key = body.value("key").toString();
    QUrlQuery query;
    if (body.contains("uploadId")) {
        query.addQueryItem(QStringLiteral("uploadId"), body.value("uploadId").toString());
        if (body.contains("partNumber"))
            query.addQueryItem(QStringLiteral("partNumber"),
                               QString::number(body.value("partNumber").toInteger()));
    } else if (method == "POST") {
        std::lock_guard lock(m_mutex);
        key = workspace + QStringLiteral("/up%1").arg(m_nextID++);
        query.addQueryItem(QStringLiteral("uploads"), QString());
    }
    QUrl url = m_server.url(QStringLiteral("/"));
    url.setPath(storagePrefix + key);
    url.setQuery(query);

    QJsonObject headers{{QString::fromLatin1(signedHeader), "yes"}};
    if (method == "POST" && body.contains("uploadId"))
        headers.insert("Content-Type", "text/plain");
    return Reply::json(
        200,
        QJsonObject{{"url", url.toString(QUrl::FullyEncoded)}, {"headers", headers}, {"key", key}});
}

TestHTTPServer::Reply FakeStorageService::confirm(const RecordedRequest& request) {
    const QString workspace = request.path().section('/', 4, 4);
    const QString id = request.path().section('/', 6, 6);
    const QString key = workspace + '/' + id;
    std::lock_guard lock(m_mutex);
    if (!m_objects.contains(key))
        return Reply::json(409, QJsonObject{{"message", "The upload is not complete yet."}});
    // The engine reads only the id.
    return Reply::json(
        200,
        QJsonObject{{"id", id}, {"filename", id}, {"size", qint64(m_objects.value(key).size())}});
}

TestHTTPServer::Reply FakeStorageService::storage(Route route, const RecordedRequest& request) {
    const QString path = request.path();
    const QUrlQuery query = request.query();
    // Signatures themselves are checked by the devservice in the end-to-end tests.
    if (request.header(signedHeader) != "yes")
        return s3Error(403, QStringLiteral("AccessDenied"),
                       QStringLiteral("A signed header is missing."));
    const QString key = path.mid(storagePrefix.size());
    const QString uploadID = query.queryItemValue(QStringLiteral("uploadId"));
    switch (route) {
    case Route::create:
        return create(key);
    case Route::part: {
        int stored = 0;
        Reply reply = putPart(request, stored);
        std::function<void(int)> hook;
        {
            std::lock_guard lock(m_mutex);
            hook = m_partHook;
            reply.after(m_partDelay);
            const auto now = std::chrono::steady_clock::now();
            m_partsHeld.removeIf([now](const auto& held) { return held.first <= now; });
            m_partsHeld.append({now + m_partDelay, request.body.size()});
            qint64 held = 0;
            for (const auto& part : std::as_const(m_partsHeld))
                held += part.second;
            m_peakPartBytes = std::max(m_peakPartBytes, held);
        }
        if (stored != 0 && hook)
            hook(stored);
        return reply;
    }
    case Route::list:
        return listParts(uploadID);
    case Route::complete:
        return complete(request);
    case Route::abort:
        return abort(uploadID);
    default:
        return Reply::empty(404);
    }
}

TestHTTPServer::Reply FakeStorageService::create(const QString& key) {
    std::lock_guard lock(m_mutex);
    const QString id = newUploadLocked(key);
    return Reply::xml(200, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<InitiateMultipartUploadResult><Key>" +
                               key.toUtf8() + "</Key><UploadId>" + id.toUtf8() +
                               "</UploadId></InitiateMultipartUploadResult>");
}

TestHTTPServer::Reply FakeStorageService::putPart(const RecordedRequest& request, int& storedPart) {
    const QUrlQuery query = request.query();
    const QString uploadID = query.queryItemValue(QStringLiteral("uploadId"));
    const int number = query.queryItemValue(QStringLiteral("partNumber")).toInt();
    std::lock_guard lock(m_mutex);
    auto upload = m_uploads.find(uploadID);
    if (upload == m_uploads.end())
        return noSuchUpload();
    if (number < 1 || number > 10000)
        return s3Error(400, QStringLiteral("InvalidArgument"), QStringLiteral("Bad part number."));
    const QString etag = etagOf(request.body);
    upload->parts.insert(number, Part{request.body, etag});
    m_storedParts.append(number);
    storedPart = number;
    return Reply::empty(200).withHeader("ETag", etag.toUtf8());
}

TestHTTPServer::Reply FakeStorageService::listParts(const QString& uploadID) {
    std::lock_guard lock(m_mutex);
    const auto upload = m_uploads.constFind(uploadID);
    if (upload == m_uploads.cend())
        return noSuchUpload();
    QByteArray body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ListPartsResult><UploadId>" +
                      uploadID.toUtf8() + "</UploadId>";
    for (auto it = upload->parts.cbegin(); it != upload->parts.cend(); ++it) {
        body += "<Part><PartNumber>" + QByteArray::number(it.key()) + "</PartNumber><ETag>" +
                it->etag.toHtmlEscaped().toUtf8() + "</ETag><Size>" +
                QByteArray::number(it->bytes.size()) + "</Size></Part>";
    }
    return Reply::xml(200, body + "</ListPartsResult>");
}

TestHTTPServer::Reply FakeStorageService::complete(const RecordedRequest& request) {
    if (request.header("Content-Type") != "application/xml")
        return s3Error(400, QStringLiteral("InvalidRequest"),
                       QStringLiteral("The completion must be sent as application/xml."));
    const QString uploadID = request.query().queryItemValue(QStringLiteral("uploadId"));
    const auto listed =
        S3XML::records(request.body, {QStringLiteral("PartNumber"), QStringLiteral("ETag")},
                       QStringLiteral("Part"));
    std::lock_guard lock(m_mutex);
    const auto upload = m_uploads.constFind(uploadID);
    if (upload == m_uploads.cend())
        return noSuchUpload();
    if (listed.isEmpty())
        return s3Error(400, QStringLiteral("MalformedXML"), QStringLiteral("No parts."));
    QByteArray assembled;
    int previous = 0;
    for (qsizetype i = 0; i < listed.size(); ++i) {
        const int number = listed[i].value(QStringLiteral("PartNumber")).toInt();
        if (number <= previous)
            return s3Error(400, QStringLiteral("InvalidPartOrder"),
                           QStringLiteral("The parts are not in ascending order."));
        previous = number;
        const auto part = upload->parts.constFind(number);
        if (part == upload->parts.cend() || part->etag != listed[i].value(QStringLiteral("ETag")))
            return s3Error(400, QStringLiteral("InvalidPart"),
                           QStringLiteral("Part %1 could not be found.").arg(number));
        if (i + 1 < listed.size() && part->bytes.size() < m_minPartSize)
            return s3Error(400, QStringLiteral("EntityTooSmall"),
                           QStringLiteral("Part %1 is too small.").arg(number));
        assembled += part->bytes;
    }
    const QString key = upload->key;
    m_objects.insert(key, assembled);
    m_uploads.remove(uploadID);
    return Reply::xml(200, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<CompleteMultipartUploadResult><Key>" +
                               key.toUtf8() +
                               "</Key><ETag>\"assembled\"</ETag>"
                               "</CompleteMultipartUploadResult>");
}

TestHTTPServer::Reply FakeStorageService::abort(const QString& uploadID) {
    std::lock_guard lock(m_mutex);
    if (!m_uploads.remove(uploadID))
        return noSuchUpload();
    return Reply::empty(204);
}

} // namespace ParcelKit::Testing
