import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Controls.Fusion.impl
import QtQuick.Layouts

// The form under the files: a link or an e-mail, its texts, expiry and protection, and the send
// button, which Return presses too. Every control edits the model's form.
ColumnLayout {
    id: root
    objectName: "sendFormView"
    required property QtObject model
    required property QtObject presenter
    readonly property QtObject form: presenter.sendForm
    readonly property string exampleAddress: "ada@example.com"
    readonly property string exampleDomain: "@example.com"
    spacing: 10

    // A field: its label over the control, and a hint under it.
    component FieldRow: ColumnLayout {
        id: row
        property string label
        property string hint
        default property alias control: slot.data
        spacing: 4
        Label {
            text: row.label
            font.pointSize: Qt.application.font.pointSize * 0.85
            font.weight: Font.Medium
            opacity: 0.7
        }
        ColumnLayout {
            id: slot
            spacing: 0
            Layout.fillWidth: true
        }
        Label {
            visible: row.hint !== ""
            text: row.hint
            font.pointSize: Qt.application.font.pointSize * 0.85
            opacity: 0.6
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
    }

    // Text of several lines, growing with it between two heights; Tab leaves it.
    component GrowingField: ScrollView {
        id: field
        property int minLines: 1
        property int maxLines: 3
        property alias text: area.text
        property alias placeholderText: area.placeholderText
        readonly property real lineHeight: metrics.lineSpacing
        Layout.fillWidth: true
        Layout.preferredHeight: Math.min(Math.max(area.contentHeight, minLines * lineHeight),
                                         maxLines * lineHeight)
                                + area.topPadding + area.bottomPadding
        // Framed like a single-line field, which Fusion's text area is not.
        background: Rectangle {
            radius: 2
            color: field.palette.base
            border.color: area.activeFocus ? Fusion.highlightedOutline(field.palette)
                                           : Fusion.outline(field.palette)
        }
        FontMetrics {
            id: metrics
            font: area.font
        }
        TextArea {
            id: area
            // Text where a single-line field puts it.
            padding: 4
            leftPadding: 4
            wrapMode: TextEdit.Wrap
            Keys.onTabPressed: area.nextItemInFocusChain(true).forceActiveFocus(Qt.TabFocusReason)
            Keys.onBacktabPressed: area.nextItemInFocusChain(false).forceActiveFocus(Qt.BacktabFocusReason)
        }
    }

    SectionLabel {
        title: qsTr("Send")
        Layout.fillWidth: true
    }
    RowLayout {
        spacing: 0
        Layout.fillWidth: true
        Accessible.name: qsTr("Delivery")
        // Not checkable: a click must not break the binding to the form.
        Button {
            objectName: "linkSegment"
            text: qsTr("Get a link")
            checked: !root.form.isEmail
            highlighted: checked
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            onClicked: root.form.isEmail = false
        }
        Button {
            objectName: "emailSegment"
            text: qsTr("Send by email")
            checked: root.form.isEmail
            highlighted: checked
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            onClicked: root.form.isEmail = true
        }
    }
    FieldRow {
        visible: !root.form.isEmail
        label: qsTr("Title")
        hint: qsTr("Shown on the download page")
        Layout.fillWidth: true
        TextField {
            objectName: "titleField"
            text: root.form.subject
            placeholderText: qsTr("Final artwork, print-ready")
            Layout.fillWidth: true
            onTextEdited: root.form.subject = text
        }
    }
    FieldRow {
        visible: root.form.isEmail
        label: qsTr("To")
        Layout.fillWidth: true
        GrowingField {
            objectName: "recipientsField"
            text: root.form.recipients
            placeholderText: root.exampleAddress
            onTextChanged: root.form.recipients = text
        }
    }
    FieldRow {
        visible: root.form.isEmail
        label: qsTr("Subject")
        Layout.fillWidth: true
        TextField {
            objectName: "subjectField"
            text: root.form.subject
            placeholderText: qsTr("Final artwork, print-ready")
            Layout.fillWidth: true
            onTextEdited: root.form.subject = text
        }
    }
    FieldRow {
        label: qsTr("Message")
        Layout.fillWidth: true
        GrowingField {
            objectName: "messageField"
            minLines: 2
            maxLines: 5
            text: root.form.message
            placeholderText: qsTr("Optional")
            onTextChanged: root.form.message = text
        }
    }
    RowLayout {
        spacing: 10
        Layout.fillWidth: true
        FieldRow {
            label: qsTr("Expires after")
            Layout.alignment: Qt.AlignTop
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            ComboBox {
                id: expiry
                objectName: "expiryPicker"
                model: [1, 7, 14, 30]
                currentIndex: model.indexOf(root.form.expiresInDays)
                displayText: qsTr("%n days", "", root.form.expiresInDays)
                delegate: ItemDelegate {
                    required property int modelData
                    required property int index
                    width: ListView.view.width
                    text: qsTr("%n days", "", modelData)
                    highlighted: expiry.highlightedIndex === index
                }
                Accessible.name: qsTr("Expires after")
                Layout.fillWidth: true
                onActivated: index => root.form.expiresInDays = model[index]
            }
        }
        FieldRow {
            label: qsTr("Protection")
            Layout.alignment: Qt.AlignTop
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            ComboBox {
                objectName: "protectionPicker"
                model: root.form.protectionChoices
                textRole: "text"
                valueRole: "value"
                currentIndex: root.form.protectionChoices.findIndex(
                                  choice => choice.value === root.form.protection)
                Accessible.name: qsTr("Protection")
                Layout.fillWidth: true
                onActivated: root.form.protection = currentValue
            }
        }
    }
    FieldRow {
        visible: root.form.protection === "password"
        label: qsTr("Password")
        Layout.fillWidth: true
        TextField {
            objectName: "passwordField"
            text: root.form.password
            echoMode: TextInput.Password
            Layout.fillWidth: true
            onTextEdited: root.form.password = text
        }
    }
    Label {
        objectName: "codeHint"
        visible: root.form.protection === "emailCode" && root.form.isEmail
        text: qsTr("Each recipient gets a code by email before they see the files. A forwarded email won’t open them.")
        font.pointSize: Qt.application.font.pointSize * 0.85
        opacity: 0.7
        wrapMode: Text.Wrap
        Layout.fillWidth: true
    }
    FieldRow {
        visible: root.form.protection === "emailCode" && !root.form.isEmail
        label: qsTr("Who can ask for a code")
        hint: qsTr("Addresses, or a whole domain like %1. Anyone else with the link gets no code.")
              .arg(root.exampleDomain)
        Layout.fillWidth: true
        GrowingField {
            objectName: "allowedEmailsField"
            text: root.form.allowedEmails
            placeholderText: qsTr("%1 or %2").arg(root.exampleAddress).arg(root.exampleDomain)
            onTextChanged: root.form.allowedEmails = text
        }
    }
    Label {
        objectName: "formMessage"
        visible: text !== ""
        text: root.form.validationMessage !== "" ? root.form.validationMessage
              : root.model.hasFailedUploads ? qsTr("Retry or remove the files that failed to upload.")
              : ""
        color: "#d13438"
        font.pointSize: Qt.application.font.pointSize * 0.85
        wrapMode: Text.Wrap
        Layout.fillWidth: true
    }
    PrimaryButton {
        id: sendButton
        objectName: "sendButton"
        busy: root.model.isSending
        text: root.form.hasPending ? qsTr("Waiting for the previous transfer…")
              : root.form.isEmail ? qsTr("Send transfer") : qsTr("Create link")
        enabled: root.model.canSend
        Layout.fillWidth: true
        onClicked: root.form.send()
    }
    // The window's default action; a field of several lines keeps Return for its line breaks.
    Shortcut {
        sequences: ["Return", "Enter"]
        enabled: root.visible && sendButton.enabled
        onActivated: root.form.send()
    }
}
