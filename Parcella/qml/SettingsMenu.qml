import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// The gear button and its menu: who is signed in, the login item and updates, pausing and the
// upload speed, the dashboard, signing out and quitting. Without an updater (or a login item) its entries are left out.
ToolButton {
    id: root
    objectName: "settingsButton"
    required property QtObject presenter
    property QtObject updater: null
    property QtObject launchAtLogin: null
    icon.name: "configure"
    icon.source: "qrc:/qt/qml/Parcella/Interface/icons/settings.svg"
    display: AbstractButton.IconOnly
    text: qsTr("Settings")
    Accessible.name: text
    ToolTip.text: text
    ToolTip.visible: hovered
    onClicked: menu.open()

    // A menu entry that is there only under a condition.
    component Optional: MenuItem {
        height: visible ? implicitHeight : 0
    }
    component OptionalSeparator: MenuSeparator {
        height: visible ? implicitHeight : 0
    }

    Menu {
        id: menu
        objectName: "settingsMenu"
        // Wide enough for its longest entry, at the gear's right edge.
        width: 260
        x: root.width - width
        y: root.height
        Optional {
            objectName: "userNameItem"
            text: root.presenter.userName
            enabled: false
            visible: root.presenter.isAccountLoaded
        }
        Optional {
            objectName: "userEmailItem"
            text: root.presenter.userEmail
            enabled: false
            visible: root.presenter.isAccountLoaded
        }
        OptionalSeparator {
            visible: root.presenter.isAccountLoaded
        }
        Optional {
            objectName: "openAtLoginItem"
            text: qsTr("Open at login")
            visible: root.launchAtLogin !== null
            readonly property bool isOn: root.launchAtLogin !== null && root.launchAtLogin.isEnabled
            checkable: true
            checked: isOn
            onTriggered: {
                root.launchAtLogin.setEnabled(checked)
                // The entry shows what the desktop will do once the change is written.
                checked = Qt.binding(() => isOn)
            }
        }
        Optional {
            objectName: "openAtLoginError"
            text: root.launchAtLogin ? root.launchAtLogin.errorText : ""
            enabled: false
            visible: text !== ""
        }
        Optional {
            objectName: "installAutomaticallyItem"
            text: qsTr("Install updates automatically")
            visible: root.updater !== null
            readonly property bool isOn: root.updater !== null && root.updater.installsAutomatically
            checkable: true
            checked: isOn
            onTriggered: {
                root.updater.installsAutomatically = checked
                checked = Qt.binding(() => isOn)
            }
        }
        Optional {
            objectName: "checkForUpdatesItem"
            text: qsTr("Check for updates…")
            visible: root.updater !== null
            onTriggered: root.updater.checkForUpdates()
        }
        Optional {
            objectName: "versionItem"
            text: root.updater ? qsTr("Version %1").arg(root.updater.version) : ""
            enabled: false
            visible: root.updater !== null
        }
        MenuSeparator {}
        MenuItem {
            objectName: "pauseAllItem"
            text: root.presenter.isAnythingPaused ? qsTr("Resume all") : qsTr("Pause all")
            onTriggered: root.presenter.isAnythingPaused ? root.presenter.resumeAll()
                                                         : root.presenter.pauseAll()
        }
        MenuItem {
            objectName: "meteredItem"
            text: qsTr("Upload on metered connections")
            readonly property bool isOn: root.presenter.uploadsOnMeteredConnections
            checkable: true
            checked: isOn
            onTriggered: {
                root.presenter.uploadsOnMeteredConnections = checked
                checked = Qt.binding(() => isOn)
            }
        }
        Menu {
            objectName: "uploadLimitMenu"
            title: qsTr("Limit upload speed")
            width: 180
            Repeater {
                model: root.presenter.uploadLimitNames
                delegate: MenuItem {
                    required property int index
                    required property string modelData
                    text: modelData
                    checkable: true
                    checked: root.presenter.uploadLimitIndex === index
                    onTriggered: {
                        root.presenter.uploadLimitIndex = index
                        checked = Qt.binding(() => root.presenter.uploadLimitIndex === index)
                    }
                }
            }
        }
        MenuSeparator {}
        MenuItem {
            text: qsTr("Open Parcella")
            onTriggered: root.presenter.openDashboard()
        }
        Optional {
            objectName: "signOutItem"
            text: qsTr("Sign out")
            visible: root.presenter.isSignedIn
            onTriggered: root.presenter.signOut()
        }
        MenuSeparator {}
        MenuItem {
            id: quit
            objectName: "quitItem"
            text: qsTr("Quit Parcella")
            // The window's shortcut quits; the entry only names it.
            contentItem: RowLayout {
                Label {
                    text: quit.text
                    Layout.fillWidth: true
                }
                Label {
                    text: "Ctrl+Q"
                    opacity: 0.6
                }
            }
            onTriggered: Qt.quit()
        }
    }
}
