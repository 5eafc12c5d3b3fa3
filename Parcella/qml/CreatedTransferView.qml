import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Controls.impl
import QtQuick.Layouts

// The transfer just created: what became of it and, for a link, the link to copy again.
Rectangle {
    id: root
    objectName: "createdTransferView"
    required property QtObject presenter
    readonly property var transfer: presenter.lastCreated
    radius: 8
    color: Qt.rgba(system.windowText.r, system.windowText.g, system.windowText.b, 0.05)
    implicitHeight: column.implicitHeight + 24
    SystemPalette { id: system }

    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: 12
        spacing: 6
        RowLayout {
            spacing: 6
            IconLabel {
                icon.name: "emblem-ok-symbolic"
                icon.source: "qrc:/qt/qml/Parcella/Interface/icons/check.svg"
                icon.width: 18
                icon.height: 18
                icon.color: system.windowText
            }
            Label {
                objectName: "createdTitle"
                text: root.transfer.isEmail ? qsTr("Transfer sent") : qsTr("Link created and copied")
                font.weight: Font.Medium
                Layout.fillWidth: true
            }
            IconButton {
                objectName: "dismissCreatedButton"
                help: qsTr("Dismiss")
                iconName: "window-close"
                fallback: "close"
                onClicked: root.presenter.dismissCreated()
            }
        }
        RowLayout {
            visible: !!root.transfer.url
            spacing: 8
            TextEdit {
                objectName: "createdURL"
                text: root.transfer.url || ""
                readOnly: true
                selectByMouse: true
                wrapMode: TextEdit.WrapAnywhere
                font.family: "monospace"
                font.pointSize: Qt.application.font.pointSize * 0.9
                color: system.windowText
                selectionColor: system.highlight
                selectedTextColor: system.highlightedText
                Layout.fillWidth: true
            }
            Button {
                objectName: "createdCopyButton"
                text: root.presenter.copiedTransferID === root.transfer.transferID
                      ? qsTr("Copied") : qsTr("Copy link")
                onClicked: root.presenter.copyLink(root.transfer.transferID)
            }
        }
    }
}
