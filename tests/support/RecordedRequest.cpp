#include "RecordedRequest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

namespace ParcelKit::Testing {

std::optional<QByteArray> RecordedRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

QString RecordedRequest::path() const {
    const qsizetype mark = target.indexOf('?');
    return QUrl::fromPercentEncoding(mark < 0 ? target : target.left(mark));
}

QUrlQuery RecordedRequest::query() const {
    const qsizetype mark = target.indexOf('?');
    if (mark < 0)
        return {};
    return QUrlQuery(QString::fromUtf8(target.mid(mark + 1)));
}

QString RecordedRequest::queryItem(const QString& name) const {
    return query().queryItemValue(name, QUrl::FullyDecoded);
}

QJsonValue RecordedRequest::json() const {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return QJsonValue(QJsonValue::Undefined);
    if (document.isObject())
        return document.object();
    return document.array();
}

QList<std::chrono::milliseconds> gapsBetween(const QList<RecordedRequest>& requests) {
    QList<std::chrono::milliseconds> gaps;
    for (qsizetype i = 1; i < requests.size(); ++i)
        gaps.append(std::chrono::duration_cast<std::chrono::milliseconds>(
            requests[i].receivedAt - requests[i - 1].receivedAt));
    return gaps;
}

} // namespace ParcelKit::Testing
