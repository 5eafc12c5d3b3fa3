import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// One recent transfer: its name and its counts.
ColumnLayout {
    id: root
    objectName: "transferRow"
    required property string displayName
    required property var downloadCount
    required property var viewCount
    required property bool isDeleted
    spacing: 2
    Label {
        text: root.displayName
        elide: Text.ElideMiddle
        Layout.fillWidth: true
    }
    Label {
        text: root.isDeleted ? qsTr("Deleted")
                             : qsTr("%n downloads", "", root.downloadCount) + " · "
                               + qsTr("%n views", "", root.viewCount)
        opacity: 0.7
        font.pointSize: Qt.application.font.pointSize * 0.85
        Layout.fillWidth: true
    }
}
