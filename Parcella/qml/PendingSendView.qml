import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// The send waiting for its uploads: its files and, when it stalled, another try; or leave it.
ColumnLayout {
    id: root
    objectName: "pendingSendView"
    required property QtObject model
    required property QtObject presenter
    readonly property QtObject send: presenter.sendForm
    spacing: 8

    RowLayout {
        spacing: 6
        Label {
            objectName: "pendingTitle"
            text: root.send.isPendingEmail ? qsTr("Sent once the uploads finish")
                                           : qsTr("Link created once the uploads finish")
            font.weight: Font.Medium
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        BusyIndicator {
            objectName: "pendingBusy"
            visible: root.model.isSending
            // Fusion's spinner stays blank after being shown unless it starts running then.
            running: visible
            padding: 0
            implicitWidth: 18
            implicitHeight: 18
        }
    }
    Repeater {
        model: root.model.pendingItemsModel
        delegate: UploadRow {
            presenter: root.presenter
            Layout.fillWidth: true
        }
    }
    RowLayout {
        spacing: 12
        Button {
            objectName: "tryAgainSendButton"
            visible: !root.model.isSending && root.presenter.isSignedIn
            text: qsTr("Try again")
            onClicked: root.send.resumePending()
        }
        LinkButton {
            objectName: "discardButton"
            text: qsTr("Discard")
            onClicked: root.send.discardPending()
        }
    }
}
