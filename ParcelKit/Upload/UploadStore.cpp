#include "UploadStore.h"

#include "CoalescingFileWriter.h"
#include "RecordsEncoder.h"
#include "StoredJSONError.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace ParcelKit {

UploadStore::UploadStore(QUrl url)
    : m_url(std::move(url)), m_encoder(std::make_shared<RecordsEncoder>()) {
    if (m_url.isLocalFile())
        m_writer = CoalescingFileWriter::forPath(m_url.toLocalFile());
}

QList<UploadRecord> UploadStore::load() const {
    if (!m_writer)
        return {};
    m_writer->waitUntilWritten();
    QFile file(m_writer->path());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    try {
        return decode(file.readAll());
    } catch (const StoredJSONError&) {
        return {};
    }
}

void UploadStore::save(QList<UploadRecord> records) const {
    if (!m_writer)
        return;
    auto contents = [encoder = m_encoder, records = std::move(records)] {
        return encoder->encode(records);
    };
    m_writer->write(std::move(contents));
}

void UploadStore::waitForPendingSaves() const {
    if (m_writer)
        m_writer->waitUntilWritten();
}

QByteArray UploadStore::encode(const QList<UploadRecord>& records) {
    QJsonArray array;
    for (const auto& record : records)
        array.append(record.toJSON());
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

QList<UploadRecord> UploadStore::decode(const QByteArray& json) {
    QJsonParseError error;
    const auto document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw StoredJSONError(error.errorString());
    if (!document.isArray())
        throw StoredJSONError(QStringLiteral("Expected an array of records."));
    QList<UploadRecord> records;
    const auto array = document.array();
    records.reserve(array.size());
    for (const auto& record : array)
        records.append(UploadRecord::fromJSON(record));
    return records;
}

} // namespace ParcelKit
