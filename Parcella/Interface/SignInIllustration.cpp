#include "SignInIllustration.h"

#include "ArtworkFit.h"
#include "IsoPainter.h"

#include <QPainterPath>

namespace Parcella {

namespace {

using Box = IsoPainter::Box;
using Face = IsoPainter::Face;

// Scene units; the origin is where the slab's back corner meets the ground.
const QPointF sceneOrigin(186, 126);
const Box slab{0, 0, 0, 120, 120, 6};
// Stands at the back; its left face is the browser window.
const Box panel{10, 10, 6, 96, 8, 60};
const Box badge{70, 62, 6, 28, 28, 26};
// What is sent: the connector leaves its right face towards the badge.
const Box parcel{14, 100, 6, 26, 20, 16};

QColor faded(QColor color, qreal opacity) {
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

QPen roundPen(const QColor& color, qreal width) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawConnector(IsoPainter& iso, bool isConnected) {
    QPainter& p = iso.context();
    QPen pen = roundPen(faded(iso.palette().ink, 0.35), 1);
    pen.setMiterLimit(10);
    if (!isConnected)
        pen.setDashPattern({3, 3});
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{{42, 111}, {72, 111}, {72, 82}});
}

void drawSignInCard(QPainter& p, const IsoPalette& palette) {
    p.setPen(QPen(faded(palette.ink, 0.12), 0.6));
    p.setBrush(palette.top);
    p.drawRoundedRect(QRectF(30, 14, 36, 36), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(faded(palette.ink, 0.55));
    p.drawRoundedRect(QRectF(35, 19, 18, 2.2), 1.1, 1.1);
    p.setBrush(faded(palette.ink, 0.2));
    p.drawRoundedRect(QRectF(35, 24, 26, 1.6), 0.8, 0.8);
    p.setPen(QPen(faded(palette.ink, 0.18), 0.5));
    p.setBrush(palette.background);
    p.drawRoundedRect(QRectF(35, 29, 26, 5), 1.3, 1.3);
    p.setPen(Qt::NoPen);
    p.setBrush(palette.primary);
    p.drawRoundedRect(QRectF(35, 38, 26, 6), 1.5, 1.5);
}

void drawConfirmation(QPainter& p, const IsoPalette& palette) {
    p.setPen(Qt::NoPen);
    p.setBrush(palette.primary);
    p.drawEllipse(QPointF(48, 25), 7, 7);
    p.setPen(roundPen(palette.background, 1.4));
    p.drawPolyline(QPolygonF{{44.8, 25.2}, {47, 27.4}, {51.4, 22.8}});
    p.setPen(Qt::NoPen);
    p.setBrush(faded(palette.ink, 0.55));
    p.drawRoundedRect(QRectF(36, 36, 24, 2.2), 1.1, 1.1);
    p.setBrush(faded(palette.ink, 0.2));
    p.drawRoundedRect(QRectF(40, 41, 16, 1.6), 0.8, 0.8);
}

void drawBrowserWindow(QPainter& p, const IsoPalette& palette, bool isConnected) {
    p.setPen(QPen(faded(palette.ink, 0.12), 0.6));
    p.setBrush(palette.ground);
    p.drawRoundedRect(QRectF(4, 4, 88, 50), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(palette.line);
    p.drawRect(QRectF(4, 4, 88, 6));
    p.setBrush(faded(palette.ink, 0.3));
    p.drawEllipse(QRectF(68.2, 5.2, 3.6, 3.6));
    if (isConnected)
        drawConfirmation(p, palette);
    else
        drawSignInCard(p, palette);
}

void drawBadgeGlyph(QPainter& p, const IsoPalette& palette, bool isConnected) {
    p.setBrush(Qt::NoBrush);
    // Centred on the badge's face, which is a little wider than the glyphs' box.
    p.translate(1, 0);
    if (isConnected) {
        p.setPen(roundPen(palette.background, 1.8));
        p.drawPolyline(QPolygonF{{8.5, 13.5}, {12, 17}, {18.5, 10}});
        return;
    }
    p.setPen(roundPen(palette.background, 1.7));
    p.drawEllipse(QRectF(5.8, 9.8, 6.4, 6.4));
    QPainterPath key;
    key.moveTo(12.2, 13);
    key.lineTo(20, 13);
    key.moveTo(17, 13);
    key.lineTo(17, 15.5);
    key.moveTo(19.5, 13);
    key.lineTo(19.5, 16);
    p.drawPath(key);
}

} // namespace

SignInIllustration::SignInIllustration(QQuickItem* parent) : QQuickPaintedItem(parent) {
    setAntialiasing(true);
    setImplicitSize(designRect.width(), designRect.height());
}

void SignInIllustration::setConnected(bool connected) {
    if (m_isConnected == connected)
        return;
    m_isConnected = connected;
    update();
    emit isConnectedChanged();
}

void SignInIllustration::setDark(bool dark) {
    if (m_isDark == dark)
        return;
    m_isDark = dark;
    update();
    emit isDarkChanged();
}

void SignInIllustration::paint(QPainter* painter) {
    draw(*painter, size(), m_isConnected, IsoPalette::forScheme(m_isDark));
}

void SignInIllustration::draw(QPainter& painter, QSizeF size, bool isConnected,
                              const IsoPalette& palette) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(fitDesign(designRect, size), true);
    IsoPainter iso(painter, palette, sceneOrigin);

    iso.softShadow(slab);
    iso.block(slab);
    iso.onFace(slab, Face::top, [&] { drawConnector(iso, isConnected); });
    for (const Box& box : {panel, badge, parcel})
        iso.softShadow(box);
    iso.block(panel);
    iso.onFace(panel, Face::left, [&] { drawBrowserWindow(painter, palette, isConnected); });
    iso.block(badge, true);
    iso.onFace(badge, Face::left, [&] { drawBadgeGlyph(painter, palette, isConnected); });
    iso.block(parcel);
    painter.restore();
}

} // namespace Parcella
