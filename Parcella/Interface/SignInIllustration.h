#pragma once

#include "IsoPalette.h"

#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

namespace Parcella {

// The isometric scene of the sign-in screens: a browser window on a block, linked to a badge.
// Before sign-in the window shows a sign-in card, the link is dashed and the badge holds a key;
// once connected the window confirms, the link is solid and the badge holds a check mark.
class SignInIllustration : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool isConnected READ isConnected WRITE setConnected NOTIFY isConnectedChanged)
    // Follows the desktop's palette: the views bind it.
    Q_PROPERTY(bool isDark READ isDark WRITE setDark NOTIFY isDarkChanged)

public:
    // The scene is designed in this rectangle and fitted into the item, centred.
    static constexpr QRectF designRect{50, 42, 272, 208};

    explicit SignInIllustration(QQuickItem* parent = nullptr);

    bool isConnected() const { return m_isConnected; }
    void setConnected(bool connected);
    bool isDark() const { return m_isDark; }
    void setDark(bool dark);

    void paint(QPainter* painter) override;
    // The scene fitted into a canvas of `size`.
    static void draw(QPainter& painter, QSizeF size, bool isConnected, const IsoPalette& palette);

signals:
    void isConnectedChanged();
    void isDarkChanged();

private:
    bool m_isConnected = false;
    bool m_isDark = false;
};

} // namespace Parcella
