import QtQuick
import QtQuick.Controls.Fusion

// The one prominent action of a screen: full width, window-coloured text on the text colour;
// a spinner before the text while `busy`.
Button {
    id: control
    property bool busy: false
    implicitHeight: 28
    opacity: enabled ? 1.0 : 0.35
    font.weight: Font.Medium
    contentItem: Item {
        implicitWidth: row.implicitWidth
        implicitHeight: row.implicitHeight
        Row {
            id: row
            anchors.centerIn: parent
            spacing: 6
            BusyIndicator {
                objectName: "primaryBusy"
                visible: control.busy
                // Fusion's spinner stays blank after being shown unless it starts running then.
                running: visible
                padding: 0
                width: 16
                height: 16
                palette.text: control.palette.window
                anchors.verticalCenter: parent.verticalCenter
            }
            Label {
                text: control.text
                font: control.font
                color: control.palette.window
                anchors.verticalCenter: parent.verticalCenter
            }
        }
    }
    background: Rectangle {
        radius: 3
        color: control.palette.windowText
    }
}
