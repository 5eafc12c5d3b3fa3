import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// The popover's panel: the header, a divider and the screen for the session's state.
Pane {
    id: root
    objectName: "popoverView"
    required property QtObject model
    required property QtObject presenter
    required property QtObject transferActions
    // Absent where the application runs without them (tests).
    property QtObject updater: null
    property QtObject launchAtLogin: null
    padding: 0
    // The controls follow the application's palette as it is now, dark or light.
    palette.window: system.window
    palette.windowText: system.windowText
    palette.base: system.base
    palette.alternateBase: system.alternateBase
    palette.text: system.text
    palette.button: system.button
    palette.buttonText: system.buttonText
    palette.light: system.light
    palette.midlight: system.midlight
    palette.mid: system.mid
    palette.dark: system.dark
    palette.shadow: system.shadow
    palette.highlight: system.highlight
    palette.highlightedText: system.highlightedText
    palette.placeholderText: system.placeholderText
    implicitWidth: 360
    implicitHeight: 560

    SystemPalette { id: system }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0
        PopoverHeader {
            Layout.fillWidth: true
            model: root.model
            presenter: root.presenter
            updater: root.updater
            launchAtLogin: root.launchAtLogin
        }
        MenuSeparator {
            Layout.fillWidth: true
            padding: 0
        }
        StackLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            currentIndex: root.presenter.screen
            SignedOutView {
                model: root.model
                presenter: root.presenter
            }
            LoadingView {
                presenter: root.presenter
            }
            SignedInView {
                model: root.model
                presenter: root.presenter
                transferActions: root.transferActions
            }
        }
    }
}
