#pragma once

#include "UploadRecord.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QUuid>

#include <mutex>

namespace ParcelKit {

// Encodes the records of "uploads.json" byte for byte as UploadStore::encode does, but encodes
// again only the records that differ from the previous call: the queue saves the whole list for
// every change, and with a thousand records encoding them all each time kept a core busy.
class RecordsEncoder {
public:
    QByteArray encode(const QList<UploadRecord>& records);

private:
    struct Encoded {
        UploadRecord record;
        QByteArray json;
        // The call that last met the record; the others are gone from the list.
        quint64 generation = 0;
    };

    std::mutex m_mutex;
    QHash<QUuid, Encoded> m_encoded;
    quint64 m_generation = 0;
    qsizetype m_previousSize = 0;
};

} // namespace ParcelKit
