import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// The product name, the workspace (a picker when there are several) and the settings.
RowLayout {
    id: root
    objectName: "popoverHeader"
    required property QtObject model
    required property QtObject presenter
    spacing: 8

    Item { implicitWidth: 6 }
    Logotype {
        Layout.topMargin: 10
        Layout.bottomMargin: 10
    }
    ComboBox {
        objectName: "workspacePicker"
        visible: root.presenter.workspaceNames.length > 1
        enabled: !root.model.isSending
        model: root.presenter.workspaceNames
        currentIndex: root.presenter.workspaceIndex
        onActivated: index => root.presenter.workspaceIndex = index
        Accessible.name: qsTr("Workspace")
    }
    Label {
        objectName: "workspaceName"
        visible: root.presenter.workspaceNames.length <= 1 && text !== ""
        text: root.presenter.workspaceName
        opacity: 0.7
        elide: Text.ElideRight
        Layout.fillWidth: true
    }
    Item { Layout.fillWidth: true }
    ToolButton {
        id: settings
        objectName: "settingsButton"
        icon.name: "configure"
        icon.source: "qrc:/qt/qml/Parcella/Interface/icons/settings.svg"
        display: AbstractButton.IconOnly
        text: qsTr("Settings")
        ToolTip.text: text
        ToolTip.visible: hovered
        onClicked: settingsMenu.open()
        Menu {
            id: settingsMenu
            objectName: "settingsMenu"
            y: settings.height
            MenuItem {
                text: root.presenter.userName
                enabled: false
                visible: root.presenter.isAccountLoaded
                height: visible ? implicitHeight : 0
            }
            MenuItem {
                text: root.presenter.userEmail
                enabled: false
                visible: root.presenter.isAccountLoaded
                height: visible ? implicitHeight : 0
            }
            MenuItem {
                objectName: "signOutItem"
                text: qsTr("Sign out")
                visible: root.presenter.isSignedIn
                height: visible ? implicitHeight : 0
                onTriggered: root.presenter.signOut()
            }
            MenuSeparator {}
            MenuItem {
                text: qsTr("Quit Parcella")
                onTriggered: Qt.quit()
            }
        }
    }
    Item { implicitWidth: 6 }
}
