import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// A divider over a small title, with room for a control at the right end.
ColumnLayout {
    id: root
    property string title
    default property alias trailing: trailingRow.data
    spacing: 6
    MenuSeparator {
        Layout.fillWidth: true
        padding: 0
    }
    RowLayout {
        Layout.fillWidth: true
        Label {
            text: root.title
            font.pointSize: Qt.application.font.pointSize * 0.85
            font.weight: Font.Medium
            opacity: 0.7
        }
        Item { Layout.fillWidth: true }
        Row { id: trailingRow }
    }
}
