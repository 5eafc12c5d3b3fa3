import QtQuick
import QtQuick.Controls.Fusion

// A borderless icon whose help text is both its tool tip and its accessible name.
ToolButton {
    id: control
    property string help
    property string iconName
    property string fallback
    icon.name: iconName
    icon.source: "qrc:/qt/qml/Parcella/Interface/icons/" + fallback + ".svg"
    icon.width: 18
    icon.height: 18
    opacity: 0.7
    display: AbstractButton.IconOnly
    text: help
    Accessible.name: help
    ToolTip.text: help
    ToolTip.visible: hovered
}
