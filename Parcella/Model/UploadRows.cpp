#include "UploadRows.h"

#include <algorithm>

namespace Parcella::UploadRows {

using ParcelKit::UploadItem;

QByteArrayList roleNames() {
    return {"itemID",  "filename", "byteCount",  "bytesSent", "fraction", "stateName",
            "message", "isActive", "finishedAt", "pace",      "isPaused", "canResume"};
}

namespace {

QString stateName(const UploadItem& item) {
    const QStringList keys = item.state.toJSON().keys();
    return keys.isEmpty() ? QString() : keys.first();
}

double fraction(const UploadItem& item) {
    if (item.byteCount < 1)
        return item.state.kind() == ParcelKit::UploadState::Case::finished ? 1 : 0;
    return double(std::clamp<qint64>(item.bytesSent, 0, item.byteCount)) / double(item.byteCount);
}

} // namespace

QList<DiffListModel::Row> rows(const QList<UploadItem>& items, const QHash<QUuid, QString>& paces,
                               bool held) {
    QList<DiffListModel::Row> rows;
    rows.reserve(items.size());
    for (const UploadItem& item : items) {
        const QString id = item.id.toString(QUuid::WithoutBraces);
        rows.append(
            {id,
             {id, item.filename, item.byteCount, item.bytesSent, fraction(item), stateName(item),
              item.state.failureMessage().value_or(QString()), item.isActive(),
              item.finishedAt ? QVariant(item.finishedAt->toDateTime()) : QVariant(),
              paces.value(item.id), item.isPaused || (held && item.isActive()), item.isPaused}});
    }
    return rows;
}

} // namespace Parcella::UploadRows
