#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPalette>
#include <QSize>

namespace Parcella {

// Draws the tray artwork: the product mark (four isometric blocks) while idle and a progress ring
// while uploading. Tray hosts do not recolour icons as one colour, so every shape is drawn in
// `ink` inside a thin `halo` of the opposite lightness, which keeps it legible on light and dark
// panels alike.
class TrayIconPainter {
public:
    struct Colors {
        QColor ink;
        QColor halo;
        // Ink from the palette's text, halo from its window: the panel usually follows the theme.
        static Colors from(const QPalette& palette);
    };

    // The sizes tray hosts ask for, each also at device pixel ratio 2.
    static constexpr int iconSizes[] = {16, 22, 24, 32};

    explicit TrayIconPainter(Colors colors) : m_colors(colors) {}

    // `size` in device-independent pixels.
    QImage idleGlyph(QSize size, qreal devicePixelRatio) const;
    // `fraction` is clamped to 0…1; the ring fills clockwise from the top.
    QImage progressRing(QSize size, qreal devicePixelRatio, double fraction) const;

    QIcon idleIcon() const;
    QIcon progressIcon(double fraction) const;

private:
    QImage canvas(QSize size, qreal devicePixelRatio) const;

    Colors m_colors;
};

} // namespace Parcella
