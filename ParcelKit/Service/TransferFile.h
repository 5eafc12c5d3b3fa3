#pragma once

#include <QJsonObject>
#include <QString>

namespace ParcelKit {

// One file of a transfer.
struct TransferFile {
    QString id;
    QString filename;
    qint64 size = 0;

    static TransferFile fromJson(const QJsonValue& value);
    QJsonObject toJson() const;

    bool operator==(const TransferFile&) const = default;
};

} // namespace ParcelKit
