#pragma once

#include "Timestamp.h"
#include "Transfer.h"

#include <QString>

namespace Parcella {

// One line of the transfers list: name, counts, expiry and link.
namespace TransferLine {
QString describe(const ParcelKit::Transfer& transfer, ParcelKit::Timestamp now);
}

} // namespace Parcella
