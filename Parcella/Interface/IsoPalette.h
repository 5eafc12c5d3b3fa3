#pragma once

#include <QColor>

namespace Parcella {

// The colours of the isometric artwork, one set for a light and one for a dark desktop.
struct IsoPalette {
    QColor top, left, right;
    QColor ground, line, shadow;
    QColor accentTop, accentLeft, accentRight;
    QColor primary, background, ink;

    static IsoPalette light();
    static IsoPalette dark();
    static IsoPalette forScheme(bool isDark) { return isDark ? dark() : light(); }
};

} // namespace Parcella
