#pragma once

#include <QStringList>

namespace Parcella {

// Splits typed addresses at commas, semicolons, spaces, line feeds and tabs, keeping their order.
// No syntax check and no removal of duplicates: the service judges the addresses.
QStringList addresses(const QString& text);

} // namespace Parcella
