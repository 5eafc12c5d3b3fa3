import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// One recent transfer: its name, its status line and a copy button for its link.
RowLayout {
    id: root
    objectName: "transferRow"
    required property QtObject presenter
    required property string transferID
    required property url url
    required property string displayName
    required property bool isEmail
    required property bool isDeleted
    required property var expiresAt
    required property var downloadCount
    required property var viewCount
    spacing: 6

    ColumnLayout {
        spacing: 2
        Layout.fillWidth: true
        Label {
            objectName: "transferName"
            text: root.displayName
            elide: Text.ElideMiddle
            Layout.fillWidth: true
        }
        Label {
            objectName: "transferStatus"
            text: root.presenter.transferStatus(root.isDeleted, root.expiresAt,
                                                root.downloadCount, root.viewCount)
            opacity: 0.7
            font.pointSize: Qt.application.font.pointSize * 0.85
            elide: Text.ElideRight
            Layout.fillWidth: true
        }
    }
    IconButton {
        objectName: "copyLinkButton"
        visible: root.url.toString() !== ""
        help: qsTr("Copy link")
        iconName: root.presenter.copiedTransferID === root.transferID ? "checkmark" : "edit-copy"
        fallback: "copy"
        onClicked: root.presenter.copyLink(root.transferID)
    }
}
