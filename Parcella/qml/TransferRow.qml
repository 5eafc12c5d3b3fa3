import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Controls.impl
import QtQuick.Layouts
import QtQml.Models

// One recent transfer: how it went out, its name and status line, a copy button for its link and
// its actions, from the menu button or a right click.
RowLayout {
    id: root
    objectName: "transferRow"
    required property QtObject presenter
    required property QtObject actions
    required property string transferID
    required property url url
    required property string displayName
    required property bool isEmail
    required property bool isDeleted
    required property var expiresAt
    required property var downloadCount
    required property var viewCount
    readonly property bool hasLink: url.toString() !== ""
    spacing: 6

    SystemPalette { id: system }
    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: root.openMenu(null)
    }

    IconImage {
        objectName: "deliveryIcon"
        name: root.isEmail ? "mail-message" : "insert-link"
        source: "qrc:/qt/qml/Parcella/Interface/icons/" + (root.isEmail ? "mail" : "link") + ".svg"
        color: system.windowText
        opacity: 0.6
        sourceSize: Qt.size(16, 16)
        Layout.preferredWidth: 16
        Layout.topMargin: 1
        Layout.alignment: Qt.AlignTop
    }
    ColumnLayout {
        spacing: 2
        Layout.fillWidth: true
        Layout.alignment: Qt.AlignTop
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
        readonly property bool copied: root.presenter.copiedTransferID === root.transferID
        visible: root.hasLink
        help: qsTr("Copy link")
        iconName: copied ? "object-select" : "edit-copy"
        fallback: copied ? "checkmark" : "copy"
        onClicked: root.presenter.copyLink(root.transferID)
    }
    IconButton {
        id: moreButton
        objectName: "moreActionsButton"
        help: qsTr("More actions")
        iconName: "view-more"
        fallback: "more"
        enabled: root.hasLink
        onClicked: root.openMenu(moreButton)
    }

    // Made on first use; without a link there is nothing to do with a transfer, so no menu.
    property Menu actionsMenu: null
    // Under `button`, or at the pointer without one.
    function openMenu(button) {
        if (!hasLink)
            return
        if (!actionsMenu)
            actionsMenu = menuComponent.createObject(root)
        if (button)
            actionsMenu.popup(button, 0, button.height)
        else
            actionsMenu.popup()
    }
    Component {
        id: menuComponent
        Menu {
            objectName: "transferMenu"
            MenuItem {
                text: qsTr("Copy link")
                onTriggered: root.presenter.copyLink(root.transferID)
            }
            MenuItem {
                text: qsTr("Open download page")
                onTriggered: root.actions.openDownloadPage(root.transferID)
            }
            MenuSeparator {}
            Menu {
                id: expiryMenu
                objectName: "changeExpiryMenu"
                title: qsTr("Change expiry")
                // Narrow: at the popover's edge it opens beside its menu, not over it.
                width: 120
                Instantiator {
                    model: [1, 7, 14, 30]
                    delegate: MenuItem {
                        required property int modelData
                        objectName: "expiry" + modelData
                        text: qsTr("%n days", "", modelData)
                        onTriggered: root.actions.changeExpiry(root.transferID, modelData)
                    }
                    onObjectAdded: (index, item) => expiryMenu.insertItem(index, item)
                }
            }
            MenuItem {
                objectName: "deleteTransferItem"
                text: qsTr("Delete transfer…")
                palette.text: "#d13438"
                onTriggered: confirmDelete.open()
            }
        }
    }
    Dialog {
        id: confirmDelete
        objectName: "confirmDeleteDialog"
        // Centred in the window, but with the row's palette, which the window's overlay lacks.
        anchors.centerIn: Overlay.overlay
        width: 300
        modal: true
        title: qsTr("Delete this transfer?")
        Label {
            width: confirmDelete.availableWidth
            text: qsTr("The link stops working right away and the files are deleted from storage within the hour. This can’t be undone.")
            wrapMode: Text.Wrap
        }
        footer: DialogButtonBox {
            Button {
                objectName: "confirmDeleteButton"
                text: qsTr("Delete transfer")
                DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
            }
            Button {
                text: qsTr("Cancel")
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            }
        }
        onAccepted: root.actions.deleteTransfer(root.transferID)
    }
}
