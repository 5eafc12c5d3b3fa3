#pragma once

#include "DiffListModel.h"

#include "UploadItem.h"

namespace Parcella {

// The roles under which list models show upload items.
namespace UploadRows {

QByteArrayList roleNames();
QList<DiffListModel::Row> rows(const QList<ParcelKit::UploadItem>& items);

} // namespace UploadRows

} // namespace Parcella
