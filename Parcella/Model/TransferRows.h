#pragma once

#include "DiffListModel.h"

#include "Transfer.h"

namespace Parcella {

// The roles under which list models show transfers.
namespace TransferRows {

QByteArrayList roleNames();
QList<DiffListModel::Row> rows(const QList<ParcelKit::Transfer>& transfers);

} // namespace TransferRows

} // namespace Parcella
