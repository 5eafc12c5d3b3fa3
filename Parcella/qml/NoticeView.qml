import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// The one-line notice of a failure, dismissable.
Rectangle {
    id: root
    objectName: "noticeView"
    required property string text
    signal dismiss
    color: "#14ff9500"
    radius: 4
    implicitHeight: row.implicitHeight + 20
    RowLayout {
        id: row
        anchors.fill: parent
        anchors.margins: 10
        Label {
            text: "⚠"
            color: "#ff9500"
        }
        Label {
            objectName: "noticeText"
            text: root.text
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        IconButton {
            objectName: "dismissNoticeButton"
            help: qsTr("Dismiss")
            iconName: "window-close"
            fallback: "close"
            onClicked: root.dismiss()
        }
    }
}
