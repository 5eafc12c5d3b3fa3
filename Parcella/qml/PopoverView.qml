import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// The popover's panel: the header, a divider and the screen for the session's state.
Pane {
    id: root
    objectName: "popoverView"
    required property QtObject model
    required property QtObject presenter
    padding: 0
    implicitWidth: 360
    implicitHeight: 560

    ColumnLayout {
        anchors.fill: parent
        spacing: 0
        PopoverHeader {
            Layout.fillWidth: true
            model: root.model
            presenter: root.presenter
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
            }
        }
    }
}
