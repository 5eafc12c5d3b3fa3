#include "UploadStore.h"

#include "CoalescingFileWriter.h"
#include "RecordsEncoder.h"
#include "StoredJSONError.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace ParcelKit {

namespace {

// Keeps a file that did not decode as "<name>.damaged-<UTC date and time>.<suffix>" next to it:
// decoding is all or nothing, so it may still hold the resume records of unfinished uploads.
void setAside(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return;
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString stem = info.completeBaseName() + QStringLiteral(".damaged-") + stamp;
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const QString suffix = attempt == 1 ? QString() : QStringLiteral("-%1").arg(attempt);
        if (QFile::rename(path, info.dir().filePath(stem + suffix + '.' + info.suffix())))
            return;
    }
}

} // namespace

UploadStore::UploadStore(QUrl url)
    : m_url(std::move(url)), m_encoder(std::make_shared<RecordsEncoder>()),
      m_damaged(std::make_shared<std::atomic<bool>>(false)) {
    if (m_url.isLocalFile())
        m_writer = CoalescingFileWriter::forPath(m_url.toLocalFile());
}

QList<UploadRecord> UploadStore::load() const {
    const auto contents = m_writer ? m_writer->read() : std::nullopt;
    if (!contents)
        return {};
    try {
        return decode(*contents);
    } catch (const StoredJSONError&) {
        if (!contents->isEmpty())
            m_damaged->store(true);
        return {};
    }
}

void UploadStore::save(QList<UploadRecord> records) const {
    if (!m_writer)
        return;
    auto contents = [encoder = m_encoder, records = std::move(records), damaged = m_damaged,
                     path = m_writer->path()] {
        if (damaged->exchange(false))
            setAside(path);
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
