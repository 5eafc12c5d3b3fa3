#include "DownloadWatcher.h"

#include <QDateTime>

namespace Parcella {

using ParcelKit::Timestamp;
using ParcelKit::Transfer;

namespace {

std::optional<qint64> count(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
        return value.toLongLong();
    default:
        return std::nullopt;
    }
}

} // namespace

DownloadWatcher::DownloadWatcher(std::shared_ptr<QSettings> settings)
    : m_settings(std::move(settings)) {
    if (!m_settings->contains(QLatin1String(sinceKey)))
        m_settings->setValue(QLatin1String(sinceKey), QDateTime::currentDateTimeUtc());
}

QVariantMap DownloadWatcher::counts() const {
    const QVariant value = m_settings->value(QLatin1String(countsKey));
    if (value.typeId() != QMetaType::QVariantMap)
        return {};
    const QVariantMap map = value.toMap();
    for (const QVariant& entry : map)
        if (!count(entry))
            return {};
    return map;
}

void DownloadWatcher::remember(const Transfer& transfer) {
    QVariantMap map = counts();
    map.insert(transfer.id, transfer.downloadCount);
    m_settings->setValue(QLatin1String(countsKey), map);
}

QList<Transfer> DownloadWatcher::firstDownloads(const QList<Transfer>& transfers) {
    const QVariantMap old = counts();
    const QVariant sinceValue = m_settings->value(QLatin1String(sinceKey));
    std::optional<Timestamp> since;
    if (sinceValue.typeId() == QMetaType::QDateTime && sinceValue.toDateTime().isValid())
        since = Timestamp::fromDateTime(sinceValue.toDateTime());

    QVariantMap seen;
    QList<Transfer> result;
    for (const Transfer& transfer : transfers) {
        seen.insert(transfer.id, transfer.downloadCount);
        bool first = false;
        if (const auto known = old.constFind(transfer.id); known != old.constEnd()) {
            first = *count(*known) == 0 && transfer.downloadCount > 0;
        } else {
            const auto date = transfer.sentAt ? transfer.sentAt : transfer.createdAt;
            const bool recent = !since || (date && *date >= *since);
            first = recent && transfer.downloadCount > 0;
        }
        if (first)
            result.append(transfer);
    }
    m_settings->setValue(QLatin1String(countsKey), seen);
    return result;
}

} // namespace Parcella
