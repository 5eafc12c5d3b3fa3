#pragma once

#include "IsoPalette.h"

#include <QPainter>
#include <QPointF>
#include <QPolygonF>

#include <functional>

namespace Parcella {

// Draws isometric blocks, their soft shadows and flat artwork on their faces into `context`. A
// scene point (x, y, z) lies on screen at origin + ((x − y)·0.866, (x + y)·0.5 − z).
class IsoPainter {
public:
    // A box in scene units; `z` is where it stands.
    struct Box {
        qreal x, y, z, width, depth, height;
    };
    // The faces a viewer sees: the one towards the lower left, the lower right, and the top.
    enum class Face { left, right, top };

    IsoPainter(QPainter& context, IsoPalette palette, QPointF origin);

    QPainter& context() { return m_context; }
    const IsoPalette& palette() const { return m_palette; }
    QPointF project(qreal x, qreal y, qreal z) const;

    // Filled left, right, then top, and outlined faintly in ink.
    void block(const Box& box, bool isAccent = false);
    // The box's footprint just below it, blurred.
    void softShadow(const Box& box);
    // Runs `draw` with the face's top left corner as the origin and the face's plane as the
    // drawing plane: on a side face x runs along it to the right and y down it; on the top face x
    // and y follow the scene's axes.
    void onFace(const Box& box, Face face, const std::function<void()>& draw);

    static constexpr qreal shadowBlurRadius = 6;

private:
    QPolygonF quad(std::initializer_list<std::array<qreal, 3>> corners) const;

    QPainter& m_context;
    IsoPalette m_palette;
    QPointF m_origin;
};

} // namespace Parcella
