#include "RecordedRequest.h"

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

QJsonObject RecordedRequest::jsonObject() const {
    return QJsonDocument::fromJson(body).object();
}

QList<std::chrono::milliseconds> gapsBetween(const QList<RecordedRequest>& requests) {
    QList<std::chrono::milliseconds> gaps;
    for (qsizetype i = 1; i < requests.size(); ++i)
        gaps.append(std::chrono::duration_cast<std::chrono::milliseconds>(
            requests[i].receivedAt - requests[i - 1].receivedAt));
    return gaps;
}

} // namespace ParcelKit::Testing
