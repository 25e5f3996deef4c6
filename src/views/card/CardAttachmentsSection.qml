// SPDX-License-Identifier: MIT
// The card editor's attachments: links to what the card holds, each removable at once; a form
// that attaches a web link; and uploads of files chosen in the file dialog, one after another.
import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import Stavelin

ColumnLayout {
    id: section

    // The store's current copy of the card (as KeyedListModel.get returns it).
    required property var card

    property bool adding: false
    property bool uploading: false
    property string urlText
    property string nameText
    // An add-link call is under way; a second Return does not attach the link twice.
    property bool submitting: false

    readonly property var attachments: AppState.attachments.attachmentsModel(card.id)
    readonly property bool loading: AppState.attachments.loadingAttachments.indexOf(card.id) >= 0
    readonly property bool canSubmit: urlText.trim() !== "" && !submitting
    // The dialog, for whoever needs to drive it (the tests).
    readonly property alias fileDialog: fileDialog

    // Only web addresses are opened: anything else in an attachment's url stays plain text.
    function webAddress(url: string): string {
        return /^https?:\/\/[^\s\/?#]+/i.test(url) ? url : ""
    }

    function startAdding(): void {
        urlText = ""
        nameText = ""
        adding = true
    }
    function cancelAdding(): void {
        adding = false
        urlText = ""
        nameText = ""
        addLinkButton.forceActiveFocus()
    }
    function submit(): void {
        const url = urlText.trim()
        if (!canSubmit)
            return
        const name = nameText.trim()
        submitting = true
        // An empty name is no name: the service then shows the address.
        const operation = name === "" ? AppState.attachments.addAttachment(card.id, url)
                                      : AppState.attachments.addAttachment(card.id, url, name)
        operation.then(section, function (outcome) {
            section.submitting = false
            // Closed once attached; a refused link stays to be sent again (the store reports why).
            if (outcome.ok) {
                section.adding = false
                section.urlText = ""
                section.nameText = ""
            }
        })
    }

    function pickAndUploadFiles(): void {
        if (!uploading)
            fileDialog.open()
    }
    // Uploads the files one after another, in the order given; a failed one does not stop the
    // rest, and the series runs to its end even if the editor closes meanwhile.
    function uploadFiles(fileURLs: var): void {
        const files = fileURLs ? Array.from(fileURLs) : []
        if (uploading || files.length === 0)
            return
        uploading = true
        const attachments = AppState.attachments
        const cardID = card.id
        let next = 0
        const step = function () {
            const operation = attachments.uploadAttachment(cardID, files[next++])
            if (next < files.length)
                operation.then(attachments, step)
            else
                operation.then(section, function () { section.uploading = false })
        }
        step()
    }

    spacing: 6

    RowLayout {
        spacing: 6
        Layout.fillWidth: true
        SectionHeader { title: qsTr("Attachments") }
        Spinner {
            objectName: "attachmentsSpinner"
            visible: section.loading
            implicitWidth: 12
            implicitHeight: 12
        }
        Item { Layout.fillWidth: true }
    }

    Text {
        objectName: "noAttachmentsText"
        // (The store lets go of the model when the card goes; the section may outlive it briefly.)
        visible: (!section.attachments || section.attachments.count === 0) && !section.loading
        text: qsTr("No attachments.")
        textFormat: Text.PlainText
        font: Theme.captionFont
        color: Theme.secondary
    }

    RepeaterColumn {
        id: attachmentColumn
        spacing: section.spacing
        Repeater {
            objectName: "attachmentRows"
            model: section.attachments

            // Qt 6.4's linter cannot see this file's ids from inside a delegate.
            // qmllint disable unqualified
            delegate: RowLayout {
                id: attachmentRow
                required property var record
                readonly property string webAddress: section.webAddress(record.url)
                objectName: "attachment:" + record.name
                spacing: 6
                width: attachmentColumn.width
                // The room a layout's margins of 2 gave above and below.
                height: implicitHeight + 4

                Symbol {
                    name: "paperclip"
                    color: Theme.secondary
                    Layout.preferredWidth: 14
                    Layout.preferredHeight: 14
                }
                LinkButton {
                    objectName: "attachmentLink"
                    visible: attachmentRow.webAddress !== ""
                    text: attachmentRow.record.name
                    url: attachmentRow.webAddress
                    textFont: Theme.bodyFont
                    Accessible.description: attachmentRow.webAddress
                    ToolTip.text: attachmentRow.webAddress
                    ToolTip.visible: hovered
                    ToolTip.delay: 600
                    Layout.fillWidth: true
                    // Rounded up: a layout rounds widths down, and the name would be elided.
                    Layout.maximumWidth: Math.ceil(implicitWidth)
                }
                Text {
                    objectName: "attachmentName"
                    visible: attachmentRow.webAddress === ""
                    text: attachmentRow.record.name
                    textFormat: Text.PlainText
                    font: Theme.bodyFont
                    color: Theme.primary
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    Layout.fillWidth: true
                    // Rounded up: a layout rounds widths down, and the name would be elided.
                    Layout.maximumWidth: Math.ceil(implicitWidth)
                }
                Item { Layout.fillWidth: true }
                IconButton {
                    objectName: "removeAttachmentButton"
                    symbol: "trash"
                    toolTip: qsTr("Remove attachment")
                    implicitWidth: 22
                    implicitHeight: 22
                    onClicked: AppState.attachments.deleteAttachment(section.card.id, attachmentRow.record.id)
                }
            }
            // qmllint enable unqualified
        }
    }

    RowLayout {
        visible: !section.adding
        spacing: 12

        PlainButton {
            id: addLinkButton
            objectName: "addLinkButton"
            symbol: "plus"
            text: qsTr("Add link")
            textColor: Theme.secondary
            textFont: Theme.calloutFont
            onClicked: section.startAdding()
        }
        PlainButton {
            objectName: "uploadFileButton"
            symbol: "arrow.up.doc"
            text: section.uploading ? qsTr("Uploading…") : qsTr("Upload file")
            textColor: Theme.secondary
            textFont: Theme.calloutFont
            enabled: !section.uploading
            onClicked: section.pickAndUploadFiles()
        }
    }

    ColumnLayout {
        visible: section.adding
        spacing: 6
        Layout.fillWidth: true

        TextField {
            objectName: "urlField"
            placeholderText: qsTr("URL (https://…)")
            text: section.urlText
            selectByMouse: true
            inputMethodHints: Qt.ImhUrlCharactersOnly | Qt.ImhNoAutoUppercase | Qt.ImhNoPredictiveText
            Layout.fillWidth: true
            Accessible.name: qsTr("URL")
            onTextEdited: section.urlText = text
            onAccepted: section.submit()
            Keys.onEscapePressed: section.cancelAdding()
            onVisibleChanged: if (visible) forceActiveFocus()
        }
        TextField {
            objectName: "nameField"
            placeholderText: qsTr("Name (optional)")
            text: section.nameText
            selectByMouse: true
            Layout.fillWidth: true
            Accessible.name: qsTr("Name")
            onTextEdited: section.nameText = text
            onAccepted: section.submit()
            Keys.onEscapePressed: section.cancelAdding()
        }
        RowLayout {
            spacing: 6
            Layout.fillWidth: true
            PlainButton {
                objectName: "cancelLinkButton"
                text: qsTr("Cancel")
                onClicked: section.cancelAdding()
            }
            Item { Layout.fillWidth: true }
            ActionButton {
                objectName: "addLinkConfirmButton"
                label: qsTr("Add")
                prominent: true
                enabled: section.canSubmit
                onClicked: section.submit()
            }
        }
    }

    FileDialog {
        id: fileDialog
        objectName: "fileDialog"
        title: qsTr("Choose files to attach to this card")
        fileMode: FileDialog.OpenFiles
        onAccepted: section.uploadFiles(selectedFiles)
    }
}
