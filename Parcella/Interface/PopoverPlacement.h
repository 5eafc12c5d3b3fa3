#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

namespace Parcella {

// Where the popover opens: centred under the tray icon, or over it when the icon sits in the
// lower half of the screen (a bottom panel); next to the pointer when the tray reports no
// geometry. Always inside the screen's available area.
QRect placePopover(QSize popover, std::optional<QRect> icon, QPoint pointer, QRect available);

} // namespace Parcella
