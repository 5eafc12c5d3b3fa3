#pragma once

#include "DiffListModel.h"

#include "UploadItem.h"

#include <QHash>

namespace Parcella {

// The roles under which list models show upload items.
namespace UploadRows {

QByteArrayList roleNames();
// `paces` holds "8.1 MB/s · 2 min left" for the items whose rate is steady. While `held` (by a
// metered network), every active item shows as paused, but only those the user paused can be
// resumed one by one ("canResume").
QList<DiffListModel::Row> rows(const QList<ParcelKit::UploadItem>& items,
                               const QHash<QUuid, QString>& paces = {}, bool held = false);

} // namespace UploadRows

} // namespace Parcella
