#include "HttpClient.h"

#include <QBuffer>
#include <QEventLoop>
#include <QNetworkReply>
#include <QTimer>

QByteArray HttpReply::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

HttpReply HttpClient::send(const QByteArray& method, const QUrl& url, const QByteArray& body,
                           const HttpHeaders& headers) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    // Cookies are the tests' business: nothing is stored or sent behind their back.
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    QBuffer buffer;
    buffer.setData(body);
    buffer.open(QIODevice::ReadOnly);
    QNetworkReply* reply = manager_.sendCustomRequest(request, method, &buffer);

    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    timeout.start(30000);
    loop.exec();

    HttpReply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    result.headers = reply->rawHeaderPairs();
    reply->deleteLater();
    return result;
}

HttpReply HttpClient::postForm(const QUrl& url, const QList<QPair<QString, QString>>& fields) {
    QByteArray body;
    for (const auto& [name, value] : fields)
        body += (body.isEmpty() ? "" : "&") + QUrl::toPercentEncoding(name) + '=' +
                QUrl::toPercentEncoding(value);
    return send("POST", url, body, {{"Content-Type", "application/x-www-form-urlencoded"}});
}
