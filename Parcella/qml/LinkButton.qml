import QtQuick
import QtQuick.Controls.Fusion

// A secondary action shown as a link: coloured text, no frame.
AbstractButton {
    id: control
    padding: 2
    hoverEnabled: true
    font.pointSize: Qt.application.font.pointSize * 0.85
    contentItem: Label {
        text: control.text
        font.pointSize: control.font.pointSize
        font.underline: control.hovered
        color: control.palette.link
    }
    Accessible.role: Accessible.Link
    Accessible.name: text
}
