import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// Shown once after signing in: who is signed in and where files go.
Rectangle {
    id: root
    objectName: "welcomeView"
    required property QtObject presenter
    radius: 10
    color: Qt.rgba(system.windowText.r, system.windowText.g, system.windowText.b, 0.05)
    SystemPalette { id: system }
    implicitHeight: column.implicitHeight + 24
    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: 12
        RowLayout {
            Label {
                text: qsTr("You’re signed in")
                font.weight: Font.Medium
                Layout.fillWidth: true
            }
            IconButton {
                help: qsTr("Dismiss")
                iconName: "window-close"
                fallback: "close"
                onClicked: root.presenter.dismissWelcome()
            }
        }
        Label {
            text: [root.presenter.userEmail, root.presenter.workspaceName].filter(s => s !== "").join(" · ")
            opacity: 0.7
            elide: Text.ElideRight
            Layout.fillWidth: true
        }
        Label {
            text: qsTr("Drop files on the icon in the menu bar, or here below, to send them.")
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
    }
}
