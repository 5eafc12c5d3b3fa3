#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QPair>
#include <QString>
#include <QUrl>

struct HttpReply {
    int status = 0; // 0: no HTTP answer (transport failure or timeout)
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;

    QByteArray header(const QByteArray& name) const;
};

using HttpHeaders = QList<QPair<QByteArray, QByteArray>>;

// Synchronous HTTP for tests: never follows redirects, gives up after a bounded time.
class HttpClient {
public:
    HttpReply send(const QByteArray& method, const QUrl& url, const QByteArray& body = {},
                   const HttpHeaders& headers = {});
    HttpReply get(const QUrl& url, const HttpHeaders& headers = {}) {
        return send("GET", url, {}, headers);
    }
    HttpReply postForm(const QUrl& url, const QList<QPair<QString, QString>>& fields);

private:
    QNetworkAccessManager manager_;
};
