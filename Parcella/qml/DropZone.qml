import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import QtQuick.Shapes

// Where files go while none are listed; a click would browse for them.
Button {
    id: root
    objectName: "dropZone"
    flat: true
    implicitHeight: column.implicitHeight + 44
    background: Shape {
        ShapePath {
            strokeColor: Qt.rgba(system.windowText.r, system.windowText.g, system.windowText.b, 0.4)
            strokeWidth: 1
            strokeStyle: ShapePath.DashLine
            dashPattern: [4, 3]
            fillColor: "transparent"
            startX: 0.5; startY: 0.5
            PathLine { x: root.width - 0.5; y: 0.5 }
            PathLine { x: root.width - 0.5; y: root.height - 0.5 }
            PathLine { x: 0.5; y: root.height - 0.5 }
            PathLine { x: 0.5; y: 0.5 }
        }
    }
    SystemPalette { id: system }
    contentItem: ColumnLayout {
        id: column
        spacing: 2
        Label {
            text: "⇪"
            font.pointSize: Qt.application.font.pointSize * 1.6
            opacity: 0.7
            Layout.alignment: Qt.AlignHCenter
        }
        Label {
            text: qsTr("Drop files here")
            font.weight: Font.Medium
            Layout.alignment: Qt.AlignHCenter
        }
        Label {
            text: qsTr("or click to browse")
            opacity: 0.7
            Layout.alignment: Qt.AlignHCenter
        }
        Label {
            text: qsTr("Files up to 100 GB. Uploads resume automatically if the connection drops.")
            font.pointSize: Qt.application.font.pointSize * 0.85
            opacity: 0.5
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            Layout.topMargin: 4
            Layout.fillWidth: true
        }
    }
}
