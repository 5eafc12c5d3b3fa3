import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// The signed-in screen: optional sections over the files and the recent transfers.
ScrollView {
    id: root
    objectName: "signedInView"
    required property QtObject model
    required property QtObject presenter
    contentWidth: availableWidth
    ScrollBar.vertical.policy: ScrollBar.AsNeeded

    ColumnLayout {
        width: root.availableWidth - 28
        x: 14
        y: 14
        spacing: 12

        NoticeView {
            visible: root.presenter.notice !== ""
            text: root.presenter.notice
            onDismiss: root.presenter.dismissNotice()
            Layout.fillWidth: true
        }
        SignedInWelcomeView {
            visible: root.model.isWelcoming
            presenter: root.presenter
            Layout.fillWidth: true
        }
        CreatedTransferView {
            visible: root.presenter.lastCreated.transferID !== undefined
            presenter: root.presenter
            Layout.fillWidth: true
        }
        PendingSendView {
            visible: root.presenter.sendForm.hasPending
            model: root.model
            presenter: root.presenter
            Layout.fillWidth: true
        }
        ColumnLayout {
            objectName: "filesSection"
            visible: uploads.count > 0
            spacing: 8
            Layout.fillWidth: true
            SectionLabel {
                title: qsTr("Files")
                Layout.fillWidth: true
                LinkButton {
                    objectName: "addFilesButton"
                    text: qsTr("Add files…")
                    onClicked: root.presenter.chooseFiles()
                }
            }
            Label {
                objectName: "filesLine"
                text: root.presenter.filesLine
            }
            Label {
                objectName: "meteredLine"
                visible: root.presenter.isPausedByMetering
                text: qsTr("Paused on a metered connection")
                opacity: 0.7
                font.pointSize: Qt.application.font.pointSize * 0.85
            }
            Repeater {
                id: uploads
                model: root.model.uploadsModel
                delegate: UploadRow {
                    presenter: root.presenter
                    Layout.fillWidth: true
                }
            }
            SendFormView {
                model: root.model
                presenter: root.presenter
                Layout.fillWidth: true
            }
        }
        DropZone {
            visible: uploads.count === 0
            Layout.fillWidth: true
            onClicked: root.presenter.chooseFiles()
        }
        SectionLabel {
            title: qsTr("Recent transfers")
            Layout.fillWidth: true
            BusyIndicator {
                visible: root.model.isLoadingTransfers
                implicitWidth: 18
                implicitHeight: 18
            }
            IconButton {
                objectName: "refreshTransfersButton"
                visible: !root.model.isLoadingTransfers
                help: qsTr("Refresh")
                iconName: "view-refresh"
                fallback: "retry"
                onClicked: root.presenter.refreshTransfers()
            }
        }
        Label {
            objectName: "noTransfers"
            visible: transfers.count === 0 && !root.model.isLoadingTransfers
            text: qsTr("No transfers yet.")
            opacity: 0.7
        }
        Repeater {
            id: transfers
            model: root.model.transfersModel
            delegate: TransferRow {
                required property int index
                visible: index < 8
                presenter: root.presenter
                Layout.fillWidth: true
            }
        }
        Item { implicitHeight: 14 }
    }
}
