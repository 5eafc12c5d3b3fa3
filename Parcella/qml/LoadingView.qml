import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// While the account loads; a failed load shows why and offers another try.
Item {
    id: root
    objectName: "loadingView"
    required property QtObject presenter
    onVisibleChanged: if (visible) presenter.loadAccount()

    ColumnLayout {
        anchors.centerIn: parent
        width: parent.width - 28
        spacing: 10
        BusyIndicator {
            Layout.alignment: Qt.AlignHCenter
            implicitWidth: 28
            implicitHeight: 28
        }
        Label {
            objectName: "loadingNotice"
            visible: root.presenter.notice !== ""
            text: root.presenter.notice
            opacity: 0.7
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            Layout.fillWidth: true
        }
        Button {
            objectName: "tryAgainButton"
            visible: root.presenter.notice !== ""
            text: qsTr("Try again")
            Layout.alignment: Qt.AlignHCenter
            onClicked: root.presenter.loadAccount()
        }
    }
}
