#pragma once

#include "Transfer.h"

namespace Parcella {

// How notifications and the transfer list name a transfer: its subject, else its one file's
// name, else its number of files.
QString displayName(const ParcelKit::Transfer& transfer);

} // namespace Parcella
