import QtQuick
import QtQuick.Controls.Fusion

// The one prominent action of a screen: full width, window-coloured text on the text colour.
Button {
    id: control
    implicitHeight: 28
    opacity: enabled ? 1.0 : 0.35
    font.weight: Font.Medium
    contentItem: Label {
        text: control.text
        font: control.font
        color: control.palette.window
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }
    background: Rectangle {
        radius: 3
        color: control.palette.windowText
    }
}
