#include "TrayIconPainter.h"

#include "ArtworkFit.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

#include <algorithm>
#include <array>

namespace Parcella {

namespace {

// The mark is designed in this box; four blocks on a 2 × 2 footprint, the third taller.
const QRectF markBox(0, 0, 166.2, 120);
const QPointF markOrigin(83.1, 24);

struct Block {
    qreal x, y, height;
    // Opacities of the top, left and right faces.
    qreal top, left, right;
};

constexpr qreal blockSide = 44;
constexpr std::array<Block, 4> blocks = {{
    {0, 0, 20, 0.55, 0.8, 1.0},
    {48, 0, 20, 0.55, 0.8, 1.0},
    {0, 48, 32, 0.2, 0.35, 0.5},
    {48, 48, 20, 0.55, 0.8, 1.0},
}};

QPointF project(qreal x, qreal y, qreal z) {
    return {markOrigin.x() + (x - y) * 0.866, markOrigin.y() + (x + y) * 0.5 - z};
}

QPolygonF face(std::array<std::array<qreal, 3>, 4> corners) {
    QPolygonF polygon;
    for (const auto& [x, y, z] : corners)
        polygon << project(x, y, z);
    return polygon;
}

struct Faces {
    QPolygonF top, left, right;
};

Faces facesOf(const Block& b) {
    const qreal x1 = b.x + blockSide, y1 = b.y + blockSide, h = b.height;
    return {face({{{b.x, b.y, h}, {x1, b.y, h}, {x1, y1, h}, {b.x, y1, h}}}),
            face({{{b.x, y1, 0}, {x1, y1, 0}, {x1, y1, h}, {b.x, y1, h}}}),
            face({{{x1, b.y, 0}, {x1, y1, 0}, {x1, y1, h}, {x1, b.y, h}}})};
}

QColor withAlpha(QColor color, qreal alpha) {
    color.setAlphaF(float(color.alphaF() * alpha));
    return color;
}

} // namespace

TrayIconPainter::Colors TrayIconPainter::Colors::from(const QPalette& palette) {
    return {palette.color(QPalette::WindowText), withAlpha(palette.color(QPalette::Window), 0.75)};
}

QImage TrayIconPainter::canvas(QSize size, qreal devicePixelRatio) const {
    QImage image(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    return image;
}

QImage TrayIconPainter::idleGlyph(QSize size, qreal devicePixelRatio) const {
    QImage image = canvas(size, devicePixelRatio);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QTransform fit = fitDesign(markBox, QSizeF(size));
    painter.setTransform(fit);

    QPainterPath outline;
    for (const Block& block : blocks) {
        const Faces faces = facesOf(block);
        for (const QPolygonF& polygon : {faces.top, faces.left, faces.right})
            outline.addPolygon(polygon);
    }
    outline = outline.simplified();
    // One device pixel of halo outside the mark: the stroke straddles the outline and the faces,
    // drawn with "copy", replace its inner half.
    painter.setPen(QPen(m_colors.halo, 2 / (fit.m11() * devicePixelRatio), Qt::SolidLine,
                        Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);

    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setPen(Qt::NoPen);
    for (const Block& block : blocks) {
        const Faces faces = facesOf(block);
        painter.setBrush(withAlpha(m_colors.ink, block.top));
        painter.drawPolygon(faces.top, Qt::WindingFill);
        painter.setBrush(withAlpha(m_colors.ink, block.left));
        painter.drawPolygon(faces.left, Qt::WindingFill);
        painter.setBrush(withAlpha(m_colors.ink, block.right));
        painter.drawPolygon(faces.right, Qt::WindingFill);
    }
    return image;
}

QImage TrayIconPainter::progressRing(QSize size, qreal devicePixelRatio, double fraction) const {
    fraction = std::clamp(fraction, 0.0, 1.0);
    QImage image = canvas(size, devicePixelRatio);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Designed at 16 × 16: the ring inset by 2.5 and stroked 2 wide.
    const qreal unit = std::min(size.width(), size.height()) / 16.0;
    const qreal width = 2 * unit;
    const QRectF ring =
        QRectF(QPointF(), QSizeF(size)).adjusted(2.5 * unit, 2.5 * unit, -2.5 * unit, -2.5 * unit);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(m_colors.halo, width + 2 / devicePixelRatio));
    painter.drawEllipse(ring);
    painter.setPen(QPen(withAlpha(m_colors.ink, 0.25), width));
    painter.drawEllipse(ring);
    if (fraction > 0) {
        painter.setPen(QPen(m_colors.ink, width, Qt::SolidLine, Qt::RoundCap));
        // Qt counts sixteenths of a degree, anticlockwise from three o'clock.
        painter.drawArc(ring, 90 * 16, -qRound(fraction * 360 * 16));
    }
    return image;
}

QIcon TrayIconPainter::idleIcon() const {
    QIcon icon;
    for (int side : iconSizes)
        for (qreal ratio : {1.0, 2.0})
            icon.addPixmap(QPixmap::fromImage(idleGlyph(QSize(side, side), ratio)));
    return icon;
}

QIcon TrayIconPainter::progressIcon(double fraction) const {
    QIcon icon;
    for (int side : iconSizes)
        for (qreal ratio : {1.0, 2.0})
            icon.addPixmap(QPixmap::fromImage(progressRing(QSize(side, side), ratio, fraction)));
    return icon;
}

} // namespace Parcella
