import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// One upload: its name, a bar while it uploads, its status line and what can be done with it.
RowLayout {
    id: root
    objectName: "uploadRow"
    required property QtObject presenter
    required property string itemID
    required property string filename
    required property string stateName
    required property double fraction
    required property var bytesSent
    required property var byteCount
    required property string message
    required property var finishedAt
    required property string pace
    // Paused by the user, or held with every upload by a metered network.
    required property bool isPaused
    // Paused by the user, so it can be resumed on its own.
    required property bool canResume
    readonly property bool isAlert: presenter.uploadIsAlert(stateName, finishedAt)
    spacing: 6
    SystemPalette { id: system }

    ColumnLayout {
        spacing: 2
        Layout.fillWidth: true
        Label {
            objectName: "uploadName"
            text: root.filename
            elide: Text.ElideMiddle
            Layout.fillWidth: true
        }
        ProgressBar {
            visible: root.stateName === "uploading"
            value: root.fraction
            Layout.fillWidth: true
        }
        Label {
            objectName: "uploadStatus"
            text: root.presenter.uploadStatus(root.stateName, root.bytesSent, root.byteCount,
                                              root.message, root.finishedAt, root.pace,
                                              root.isPaused)
            color: root.isAlert ? "#d13438" : system.windowText
            opacity: root.isAlert ? 1 : 0.7
            font.pointSize: Qt.application.font.pointSize * 0.85
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
    }
    IconButton {
        objectName: "pauseUploadButton"
        visible: (root.stateName === "queued" || root.stateName === "uploading") && !root.isPaused
        help: qsTr("Pause")
        iconName: "media-playback-pause"
        fallback: "pause"
        onClicked: root.presenter.pauseUpload(root.itemID)
    }
    IconButton {
        objectName: "resumeUploadButton"
        visible: root.canResume
        help: qsTr("Resume")
        iconName: "media-playback-start"
        fallback: "resume"
        onClicked: root.presenter.resumeUpload(root.itemID)
    }
    IconButton {
        objectName: "cancelUploadButton"
        visible: root.stateName === "queued" || root.stateName === "uploading"
        help: qsTr("Cancel")
        iconName: "process-stop"
        fallback: "close"
        onClicked: root.presenter.cancelUpload(root.itemID)
    }
    IconButton {
        objectName: "retryUploadButton"
        visible: root.stateName === "failed" || root.stateName === "cancelled"
        help: qsTr("Retry")
        iconName: "view-refresh"
        fallback: "retry"
        onClicked: root.presenter.retryUpload(root.itemID)
    }
    IconButton {
        objectName: "removeUploadButton"
        visible: root.stateName === "failed" || root.stateName === "cancelled"
                 || root.stateName === "finished"
        help: qsTr("Remove %1").arg(root.filename)
        iconName: "edit-delete"
        fallback: "trash"
        onClicked: root.presenter.removeUpload(root.itemID)
    }
}
