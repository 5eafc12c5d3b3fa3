import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import Parcella.Interface

// The first screen: what Parcella does and the way to sign in.
Item {
    id: root
    objectName: "signedOutView"
    required property QtObject model
    required property QtObject presenter
    SystemPalette { id: system }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 20
        spacing: 12
        Item { Layout.fillHeight: true }
        SignInIllustration {
            objectName: "signInIllustration"
            isConnected: false
            isDark: system.window.hslLightness < 0.5
            Layout.fillWidth: true
            Layout.preferredHeight: 150
        }
        Label {
            text: qsTr("Send large files right from the tray.")
            font.pointSize: Qt.application.font.pointSize * 1.4
            font.weight: Font.Medium
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        Label {
            text: qsTr("Drop files here, or choose «Send with Parcella» in your file manager. They upload in the background, and the link is copied when they’re done.")
            opacity: 0.7
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        Label {
            objectName: "waitingFiles"
            visible: root.model.pendingFiles.length > 0
            text: qsTr("%n files will upload once you’re signed in.", "",
                       root.model.pendingFiles.length)
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        Label {
            objectName: "signedOutNotice"
            visible: root.presenter.notice !== ""
            text: root.presenter.notice
            color: "#d13438"
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        PrimaryButton {
            objectName: "signInButton"
            text: root.model.isSigningIn ? qsTr("Signing in…") : qsTr("Sign in")
            enabled: !root.model.isSigningIn
            Layout.fillWidth: true
            onClicked: root.presenter.signIn()
        }
        Label {
            objectName: "signInHint"
            text: root.model.isSigningIn
                  ? qsTr("Confirm in your browser, then come back here.")
                  : qsTr("Your browser opens to sign in. Afterwards, Parcella waits for you up here in the tray.")
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        Button {
            objectName: "cancelSignInButton"
            visible: root.model.isSigningIn
            text: qsTr("Cancel")
            flat: true
            Layout.alignment: Qt.AlignHCenter
            onClicked: root.presenter.cancelSignIn()
        }
        Item { Layout.fillHeight: true }
    }
}
