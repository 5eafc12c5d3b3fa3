#pragma once

#include "DiffListModel.h"

#include "UploadItem.h"

#include <QHash>

namespace Parcella {

// The roles under which list models show upload items.
namespace UploadRows {

QByteArrayList roleNames();
// `paces` holds "8.1 MB/s · 2 min left" for the items whose rate is steady.
QList<DiffListModel::Row> rows(const QList<ParcelKit::UploadItem>& items,
                               const QHash<QUuid, QString>& paces = {});

} // namespace UploadRows

} // namespace Parcella
