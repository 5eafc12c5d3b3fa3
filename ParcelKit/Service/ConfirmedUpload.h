#pragma once

#include "TransferFile.h"

namespace ParcelKit {

// The service's confirmation that an uploaded object is complete; its `id` is what a new
// transfer lists. The wire shape is that of a transfer's file.
using ConfirmedUpload = TransferFile;

} // namespace ParcelKit
