#include "PopoverPlacement.h"

#include <algorithm>

namespace Parcella {

QRect placePopover(QSize popover, std::optional<QRect> icon, QPoint pointer, QRect available) {
    const QRect anchor = icon && icon->isValid() ? *icon : QRect(pointer, QSize(0, 0));
    const bool above = anchor.y() + anchor.height() / 2 > available.y() + available.height() / 2;
    QPoint topLeft(anchor.x() + (anchor.width() - popover.width()) / 2,
                   above ? anchor.top() - popover.height() : anchor.bottom() + 1);
    // A popover larger than the screen keeps its top left corner visible.
    topLeft.setX(
        std::max(available.left(), std::min(topLeft.x(), available.right() + 1 - popover.width())));
    topLeft.setY(std::max(available.top(),
                          std::min(topLeft.y(), available.bottom() + 1 - popover.height())));
    return {topLeft, popover};
}

} // namespace Parcella
