#pragma once

// Helpers shared by the storage tests: presigned URLs, the admin endpoints and raw HTTP over a
// plain socket (for targets and connection behaviour a URL-based client would normalise away).
#include "DevServiceProcess.h"
#include "HttpClient.h"
#include "storage/Crypto.h"
#include "storage/SigV4.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpSocket>

namespace storagetest {

inline const QByteArray adminToken = "test-admin-token";

inline QStringList serviceArguments() {
    return {"--admin-token", QString::fromLatin1(adminToken), "--min-part-size", "1024"};
}

inline QUrl presigned(const DevServiceProcess& service, const QByteArray& method,
                      const QString& bucket, const QString& key,
                      const devservice::SigV4::Query& query = {},
                      std::chrono::seconds expires = std::chrono::seconds(900)) {
    const devservice::S3Credentials credentials{"parcella-dev", "parcella-dev-secret", "us-east-1"};
    const std::string url = devservice::SigV4::presign(
        credentials, method.toStdString(), service.baseUrl().toString().toStdString(),
        bucket.toStdString(), key.toStdString(), query, expires, std::chrono::system_clock::now());
    return QUrl::fromEncoded(QByteArray::fromStdString(url), QUrl::StrictMode);
}

inline QByteArray quotedMd5(const QByteArray& data) {
    return '"' + QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex() + '"';
}

// The text of the first element of that name in an XML answer.
inline QString xmlValue(const QByteArray& xml, const QString& element) {
    const QRegularExpression pattern("<" + element + ">([^<]*)</" + element + ">");
    return pattern.match(QString::fromUtf8(xml)).captured(1);
}

inline HttpReply admin(HttpClient& http, const DevServiceProcess& service, const QByteArray& method,
                       const QString& path, const QJsonObject& body = {},
                       const QByteArray& token = adminToken) {
    return http.send(method, QUrl(service.url(path)),
                     body.isEmpty() ? QByteArray() : QJsonDocument(body).toJson(),
                     {{"X-Admin-Token", token}, {"Content-Type", "application/json"}});
}

struct RawReply {
    QByteArray received; // everything the server sent before the connection ended
    bool closedByServer = false;
};

// Sends the bytes as they are on a fresh connection and collects the answer until the server
// closes the connection or the answer is whole by its Content-Length.
inline RawReply rawExchange(const DevServiceProcess& service, const QByteArray& head,
                            const QByteArray& body = {}) {
    QTcpSocket socket;
    socket.connectToHost(service.baseUrl().host(), quint16(service.baseUrl().port()));
    RawReply reply;
    if (!socket.waitForConnected(5000))
        return reply;
    socket.write(head);
    // Send the body in pieces so that a server cutting the connection midway can be noticed.
    for (qsizetype offset = 0; offset < body.size() && socket.state() == QTcpSocket::ConnectedState;
         offset += 16384) {
        socket.write(body.mid(offset, 16384));
        socket.waitForBytesWritten(5000);
    }
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && socket.state() == QTcpSocket::ConnectedState) {
        if (socket.waitForReadyRead(int(deadline.remainingTime())))
            reply.received += socket.readAll();
        const auto headerEnd = reply.received.indexOf("\r\n\r\n");
        if (headerEnd >= 0) {
            static const QRegularExpression length("(?i)content-length: *(\\d+)");
            const auto match = length.match(QString::fromLatin1(reply.received.left(headerEnd)));
            if (match.hasMatch() &&
                reply.received.size() >= headerEnd + 4 + match.captured(1).toLongLong())
                return reply;
        }
    }
    reply.received += socket.readAll();
    reply.closedByServer = socket.state() != QTcpSocket::ConnectedState;
    return reply;
}

inline int rawStatus(const RawReply& reply) {
    if (!reply.received.startsWith("HTTP/1.1 "))
        return 0;
    return reply.received.mid(9, 3).toInt();
}

} // namespace storagetest
