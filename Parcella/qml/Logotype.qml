import QtQuick
import QtQuick.Controls.Fusion

// "Parcella" as two runs on one baseline, read as one name.
Row {
    objectName: "logotype"
    Accessible.role: Accessible.StaticText
    Accessible.name: "Parcella"
    Label {
        text: "Parc"
        font.pixelSize: 14
        font.weight: Font.Medium
    }
    Label {
        text: "ella"
        font.pixelSize: 14
        font.weight: Font.Light
        opacity: 0.7
    }
}
