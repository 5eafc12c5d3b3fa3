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
        // The accent: themes set it for both schemes, unlike the link colour.
        color: control.palette.highlight
    }
    Accessible.role: Accessible.Link
    Accessible.name: text
}
