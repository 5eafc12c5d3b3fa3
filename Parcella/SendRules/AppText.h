#pragma once

#include <QString>

namespace Parcella {

// The application's localization context, separate from the engine's: English text as key and
// default value.
QString appText(const char* english);

} // namespace Parcella
