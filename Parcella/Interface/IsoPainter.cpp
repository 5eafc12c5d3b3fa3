#include "IsoPainter.h"

#include <QImage>
#include <QPaintDevice>
#include <QTransform>

#include <cmath>
#include <vector>

namespace Parcella {

namespace {

constexpr qreal cos30 = 0.866;
constexpr qreal sin30 = 0.5;

// One pass of a box blur of half-width `radius` along rows (or columns) of premultiplied pixels.
void boxBlurPass(QImage& image, int radius, bool alongRows) {
    const int lines = alongRows ? image.height() : image.width();
    const int length = alongRows ? image.width() : image.height();
    const int window = 2 * radius + 1;
    std::vector<QRgb> source(static_cast<size_t>(length));
    for (int line = 0; line < lines; ++line) {
        const auto pixel = [&](int i) -> QRgb* {
            return alongRows ? reinterpret_cast<QRgb*>(image.scanLine(line)) + i
                             : reinterpret_cast<QRgb*>(image.scanLine(i)) + line;
        };
        for (int i = 0; i < length; ++i)
            source[size_t(i)] = *pixel(i);
        int sum[4] = {0, 0, 0, 0};
        const auto add = [&](int i, int sign) {
            if (i < 0 || i >= length)
                return;
            const QRgb value = source[size_t(i)];
            sum[0] += sign * qAlpha(value);
            sum[1] += sign * qRed(value);
            sum[2] += sign * qGreen(value);
            sum[3] += sign * qBlue(value);
        };
        for (int i = -radius; i < radius; ++i)
            add(i, 1);
        for (int i = 0; i < length; ++i) {
            add(i + radius, 1);
            *pixel(i) = qRgba(sum[1] / window, sum[2] / window, sum[3] / window, sum[0] / window);
            add(i - radius, -1);
        }
    }
}

// Three box passes each way come close to a Gaussian of standard deviation about `radius`.
void blur(QImage& image, int radius) {
    if (radius < 1)
        return;
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurPass(image, radius, true);
        boxBlurPass(image, radius, false);
    }
}

} // namespace

IsoPainter::IsoPainter(QPainter& context, IsoPalette palette, QPointF origin)
    : m_context(context), m_palette(std::move(palette)), m_origin(origin) {}

QPointF IsoPainter::project(qreal x, qreal y, qreal z) const {
    return {m_origin.x() + (x - y) * cos30, m_origin.y() + (x + y) * sin30 - z};
}

QPolygonF IsoPainter::quad(std::initializer_list<std::array<qreal, 3>> corners) const {
    QPolygonF polygon;
    for (const auto& [x, y, z] : corners)
        polygon << project(x, y, z);
    return polygon;
}

void IsoPainter::block(const Box& b, bool isAccent) {
    const qreal x1 = b.x + b.width, y1 = b.y + b.depth, z1 = b.z + b.height;
    const QPolygonF left = quad({{b.x, y1, b.z}, {x1, y1, b.z}, {x1, y1, z1}, {b.x, y1, z1}});
    const QPolygonF right = quad({{x1, b.y, b.z}, {x1, y1, b.z}, {x1, y1, z1}, {x1, b.y, z1}});
    const QPolygonF top = quad({{b.x, b.y, z1}, {x1, b.y, z1}, {x1, y1, z1}, {b.x, y1, z1}});
    QColor outline = m_palette.ink;
    outline.setAlphaF(0.08f);
    m_context.save();
    m_context.setPen(QPen(outline, 0.6));
    m_context.setBrush(isAccent ? m_palette.accentLeft : m_palette.left);
    m_context.drawPolygon(left);
    m_context.setBrush(isAccent ? m_palette.accentRight : m_palette.right);
    m_context.drawPolygon(right);
    m_context.setBrush(isAccent ? m_palette.accentTop : m_palette.top);
    m_context.drawPolygon(top);
    m_context.restore();
}

void IsoPainter::softShadow(const Box& b) {
    const qreal x1 = b.x + b.width, y1 = b.y + b.depth, z = b.z - 2;
    // The shadow is drawn and blurred in device pixels, in a layer of its own.
    const qreal ratio = m_context.device() ? m_context.device()->devicePixelRatioF() : 1;
    const QTransform toDevice = m_context.worldTransform() * QTransform::fromScale(ratio, ratio);
    const QPolygonF footprint =
        toDevice.map(quad({{b.x, b.y, z}, {x1, b.y, z}, {x1, y1, z}, {b.x, y1, z}}));
    const int radius = qCeil(shadowBlurRadius * std::sqrt(std::abs(toDevice.determinant())) / 2);
    const QRect bounds = footprint.boundingRect().toAlignedRect().adjusted(-3 * radius, -3 * radius,
                                                                           3 * radius, 3 * radius);
    QImage layer(bounds.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter layerPainter(&layer);
        layerPainter.setRenderHint(QPainter::Antialiasing);
        layerPainter.translate(-bounds.topLeft());
        layerPainter.setPen(Qt::NoPen);
        layerPainter.setBrush(m_palette.shadow);
        layerPainter.drawPolygon(footprint);
    }
    blur(layer, radius);
    m_context.save();
    m_context.resetTransform();
    m_context.drawImage(QRectF(QPointF(bounds.topLeft()) / ratio, QSizeF(bounds.size()) / ratio),
                        layer);
    m_context.restore();
}

void IsoPainter::onFace(const Box& b, Face face, const std::function<void()>& draw) {
    const qreal x1 = b.x + b.width, y1 = b.y + b.depth, z1 = b.z + b.height;
    QTransform shear;
    QPointF corner;
    switch (face) {
    case Face::left:
        corner = project(b.x, y1, z1);
        shear = QTransform(cos30, sin30, 0, 1, 0, 0);
        break;
    case Face::right:
        corner = project(x1, y1, z1);
        shear = QTransform(cos30, -sin30, 0, 1, 0, 0);
        break;
    case Face::top:
        corner = project(b.x, b.y, z1);
        shear = QTransform(cos30, sin30, -cos30, sin30, 0, 0);
        break;
    }
    m_context.save();
    m_context.translate(corner);
    m_context.setTransform(shear, true);
    draw();
    m_context.restore();
}

} // namespace Parcella
