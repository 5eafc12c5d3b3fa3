import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts
import Parcella.Interface

// The workspace's latest sent transfers, each with what can be done with it.
ColumnLayout {
    id: root
    objectName: "recentTransfersView"
    required property QtObject model
    required property QtObject presenter
    required property QtObject actions
    property int limit: 8
    spacing: 10

    SectionLabel {
        title: qsTr("Recent transfers")
        Layout.fillWidth: true
        BusyIndicator {
            objectName: "transfersBusy"
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
        visible: rows.count === 0 && !root.model.isLoadingTransfers
        text: qsTr("No transfers yet.")
        opacity: 0.7
    }
    Repeater {
        id: rows
        model: RecentTransfersModel {
            sourceModel: root.model.transfersModel
            limit: root.limit
        }
        delegate: TransferRow {
            presenter: root.presenter
            actions: root.actions
            Layout.fillWidth: true
        }
    }
}
