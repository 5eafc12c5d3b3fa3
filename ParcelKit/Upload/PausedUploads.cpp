#include "PausedUploads.h"

#include "CoalescingFileWriter.h"
#include "StoredJSON.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

namespace ParcelKit {

PausedUploads::PausedUploads(const QUrl& storeURL) {
    if (storeURL.isLocalFile())
        m_writer =
            CoalescingFileWriter::forPath(QFileInfo(storeURL.toLocalFile())
                                              .dir()
                                              .filePath(QStringLiteral("paused-uploads.json")));
}

QSet<QUuid> PausedUploads::load() {
    m_written.clear();
    const auto contents = m_writer ? m_writer->read() : std::nullopt;
    if (!contents)
        return {};
    for (const QJsonValue& value : QJsonDocument::fromJson(*contents).array()) {
        const QUuid id = QUuid::fromString(value.toString());
        if (!id.isNull())
            m_written.insert(id);
    }
    return m_written;
}

void PausedUploads::save(const QSet<QUuid>& ids) {
    if (!m_writer || ids == m_written)
        return;
    m_written = ids;
    QList<QUuid> sorted(ids.cbegin(), ids.cend());
    std::sort(sorted.begin(), sorted.end());
    auto contents = [sorted = std::move(sorted)] {
        QJsonArray array;
        for (const QUuid& id : sorted)
            array.append(StoredJSON::uuidText(id));
        return QJsonDocument(array).toJson(QJsonDocument::Compact);
    };
    m_writer->write(std::move(contents));
}

} // namespace ParcelKit
