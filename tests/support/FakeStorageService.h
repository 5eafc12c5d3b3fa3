#pragma once

#include "TestHTTPServer.h"

#include <QHash>
#include <QMap>
#include <QStringList>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

namespace ParcelKit::Testing {

// The hosted service and its object storage on one loopback server, for upload tests.
//
// Service (below baseURL() + "api/v1", bearer token `accessToken` only):
// - POST workspaces/{ws}/uploads/sign presigns a storage request: a POST without upload id starts
//   an object "{ws}/up<n>", anything else is signed for the key, upload id and part number asked.
//   Every signed request carries the header "x-amz-meta-signed: yes" (and a signed Content-Type
//   that completion must override), which the storage checks.
// - POST workspaces/{ws}/uploads/{id}/complete confirms "{ws}/{id}" once the object is assembled,
//   answering 409 until then.
// Storage (path-style below "storage/"): create, upload part, list parts, complete (with
// InvalidPart, InvalidPartOrder, EntityTooSmall and NoSuchUpload) and abort of S3 multipart
// uploads, keeping every part in memory, so the assembled object can be compared byte for byte.
//
// Faults are scripted per route and taken by the next matching requests. Everything is safe to
// call from the test's thread while the server's threads answer.
class FakeStorageService {
public:
    enum class Route { sign, confirm, create, list, part, complete, abort, unknown };

    struct Fault {
        int status = 500;
        // An S3 error document with this code for storage routes; a JSON "message" for the service.
        std::optional<QString> code;
        std::optional<QString> message;
        // Closes the connection after this many bytes of the answer. A client silently resends
        // a request whose reused connection closed before a whole header line arrived, so only
        // a cut after the status line ("HTTP/1.1 500 Internal Server Error" and CRLF, 36 bytes)
        // is sure to reach the caller as a failure.
        std::optional<qint64> dropAfterBytes;
        std::chrono::milliseconds delay{0};
        // The request takes effect as usual and only its answer is replaced (a lost answer).
        bool afterEffect = false;

        static Fault answer(int status, std::optional<QString> code = std::nullopt,
                            std::optional<QString> message = std::nullopt) {
            Fault fault;
            fault.status = status;
            fault.code = std::move(code);
            fault.message = std::move(message);
            return fault;
        }
        static Fault dropped(qint64 afterBytes = 40) {
            Fault fault;
            fault.dropAfterBytes = afterBytes;
            return fault;
        }
    };

    static const QString accessToken;

    FakeStorageService();
    FakeStorageService(const FakeStorageService&) = delete;
    FakeStorageService& operator=(const FakeStorageService&) = delete;

    TestHTTPServer& server() { return m_server; }
    QUrl baseURL() const { return m_server.url(QStringLiteral("/")); }

    // The next `times` requests of `route` get `fault` instead of their answer.
    void fail(Route route, Fault fault, int times = 1);
    // Parts other than the last must be at least this long for a completion to succeed.
    void setMinPartSize(qint64 bytes);
    // Every part answer waits this long, so that parts of several uploads overlap.
    void setPartDelay(std::chrono::milliseconds delay);
    // Runs on a server thread for every stored part, before it is answered.
    void onPartStored(std::function<void(int partNumber)> hook);

    // Requests seen per route, faulted ones included.
    int count(Route route) const;
    QList<RecordedRequest> requests(Route route) const;
    // The most part bytes the client held at one moment, as far as storage can tell: a part
    // counts from its arrival until its answer is due after the part delay, a span within
    // which the client still holds the part in memory.
    qint64 peakPartBytes() const;
    // Part numbers stored, in arrival order, across all uploads.
    QList<int> storedParts() const;
    // The assembled object, once completed.
    std::optional<QByteArray> object(const QString& key) const;
    // Multipart uploads started and neither completed nor aborted.
    QStringList openUploads() const;

    // Plays storage state made by an earlier run: starts a multipart upload for `key` and returns
    // its id; storePart adds a part and returns its ETag.
    QString startUpload(const QString& key);
    QString storePart(const QString& uploadID, int partNumber, const QByteArray& bytes);
    // Every open multipart upload vanishes, as if it had been aborted elsewhere.
    void forgetUploads();

private:
    struct Part {
        QByteArray bytes;
        QString etag;
    };
    struct Upload {
        QString key;
        QMap<int, Part> parts;
    };
    using Reply = TestHTTPServer::Reply;

    Reply handle(const RecordedRequest& request);
    Reply answer(Route route, const RecordedRequest& request);
    static Route routeOf(const RecordedRequest& request);
    static Reply faultReply(Route route, const Fault& fault);

    Reply sign(const RecordedRequest& request);
    Reply confirm(const RecordedRequest& request);
    Reply storage(Route route, const RecordedRequest& request);
    Reply create(const QString& key);
    Reply putPart(const RecordedRequest& request, int& storedPart);
    Reply listParts(const QString& uploadID);
    Reply complete(const RecordedRequest& request);
    Reply abort(const QString& uploadID);

    QString newUploadLocked(const QString& key);

    TestHTTPServer m_server;
    mutable std::mutex m_mutex;
    QMap<Route, QList<Fault>> m_faults;
    QMap<Route, int> m_counts;
    QHash<QString, Upload> m_uploads;
    QHash<QString, QByteArray> m_objects;
    QList<int> m_storedParts;
    qint64 m_minPartSize = 0;
    std::chrono::milliseconds m_partDelay{0};
    // Parts whose answers are not due yet: when they are due, and their size.
    QList<std::pair<std::chrono::steady_clock::time_point, qint64>> m_partsHeld;
    qint64 m_peakPartBytes = 0;
    std::function<void(int)> m_partHook;
    int m_nextID = 1;
};

} // namespace ParcelKit::Testing
