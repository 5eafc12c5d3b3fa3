#include "RecordsEncoder.h"

#include <QJsonDocument>

namespace ParcelKit {

namespace {
QByteArray encodeOne(const UploadRecord& record) {
    return QJsonDocument(record.toJSON()).toJson(QJsonDocument::Compact);
}
} // namespace

QByteArray RecordsEncoder::encode(const QList<UploadRecord>& records) {
    const std::lock_guard guard(m_mutex);
    ++m_generation;
    QByteArray out;
    out.reserve(m_previousSize + 1024);
    out += '[';
    for (const UploadRecord& record : records) {
        if (out.size() > 1)
            out += ',';
        Encoded& entry = m_encoded[record.item.id];
        if (entry.generation == m_generation) {
            // The same id twice in one list (only a damaged list has that): keep the first.
            out += encodeOne(record);
            continue;
        }
        if (entry.json.isEmpty() || !(entry.record == record)) {
            entry.record = record;
            entry.json = encodeOne(record);
        }
        entry.generation = m_generation;
        out += entry.json;
    }
    out += ']';
    m_encoded.removeIf(
        [this](const auto& entry) { return entry.value().generation != m_generation; });
    m_previousSize = out.size();
    return out;
}

} // namespace ParcelKit
