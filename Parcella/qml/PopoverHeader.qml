import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// The product name, the workspace (a picker when there are several) and the settings.
RowLayout {
    id: root
    objectName: "popoverHeader"
    required property QtObject model
    required property QtObject presenter
    property QtObject updater: null
    property QtObject launchAtLogin: null
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
        implicitContentWidthPolicy: ComboBox.WidestText
        Layout.maximumWidth: 200
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
    SettingsMenu {
        presenter: root.presenter
        updater: root.updater
        launchAtLogin: root.launchAtLogin
    }
    Item { implicitWidth: 6 }
}
