#include "IsoPalette.h"

namespace Parcella {

namespace {

QColor grey(int level, float opacity = 1) {
    QColor color(level, level, level);
    color.setAlphaF(opacity);
    return color;
}

} // namespace

IsoPalette IsoPalette::light() {
    return {grey(255), grey(233), grey(216), grey(241), grey(224), grey(0, 0.14f),
            grey(74),  grey(38),  grey(20),  grey(23),  grey(255), grey(23)};
}

IsoPalette IsoPalette::dark() {
    return {grey(45),  grey(35),  grey(26),  grey(33),  grey(62), grey(0, 0.55f),
            grey(229), grey(189), grey(154), grey(245), grey(23), grey(255)};
}

} // namespace Parcella
