import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import Parcella.Interface

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
        SignInIllustration {
            objectName: "welcomeIllustration"
            isConnected: true
            isDark: system.window.hslLightness < 0.5
            Layout.fillWidth: true
            Layout.preferredHeight: 110
        }
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
            text: qsTr("Drop files here below, or send them from your file manager.")
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
    }
}
