// SPDX-License-Identifier: MIT
// The card editor: the card's title, description, list, due date and completion, written with
// one update when the user saves; its members, labels, checklists, attachments and comments,
// whose sections act on the store at once; archive and delete.
//
// The edits are taken from the card once, when the editor opens; later copies of the card
// (after a section's change, say) do not overwrite them, and a save compares against the copy
// of that moment. Return saves from the card's own fields; in a section's field it sends that
// field's form, in the description it starts a new line, on a button it presses the button.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

FocusScope {
    id: editor

    // The store's current copy of the card (as KeyedListModel.get returns it).
    required property var card
    // The board's lists (a KeyedListModel) for the list picker.
    required property var lists

    // The editor is done: saved, archived, deleted or cancelled.
    signal dismissed()

    // The edits, the save, the sections' loads; it lets go of what they loaded when the editor
    // closes.
    OpenCard { id: openCard }
    property alias name: openCard.name
    property alias desc: openCard.desc
    property alias dueEnabled: openCard.dueEnabled
    property alias dueDate: openCard.due
    property alias dueComplete: openCard.dueComplete
    property alias selectedListID: openCard.listID

    readonly property bool isSaving: openCard.isSaving
    property bool isRemoving: false
    property string saveError

    readonly property bool canSave: !isSaving && name.trim() !== ""
    // The sections below the form are built after the first frame, a piece per frame, so the
    // editor shows at once; they are ready long before the first answer. Off in tests that
    // reach into a section right after making the editor.
    property bool incremental: true
    readonly property string webURL: {
        const url = card.url
        return typeof url === "string" && /^https?:\/\/\S+$/i.test(url) ? url : ""
    }
    // Bumped by every change of the lists, which the list picker's index follows.
    property int listsRevision: 0

    Component.onCompleted: {
        openCard.takeCard(card)
        openCard.loadSections()
        noteNextFrame("editor first frame")
    }

    // The comment rows, the longest part of a busy card and its last, are made once the
    // comments come within a screen of the view, as a list view makes its rows. That is judged
    // once the sections above them are built and their answers in, and kept from then on.
    property bool commentRowsWanted: !incremental
    property int commentRowsAtOnce: 10
    readonly property bool commentsInReach: sectionsBuilt === 5
        && AppState.details.loadingChecklists.indexOf(card.id) < 0
        && AppState.details.loadingAttachments.indexOf(card.id) < 0
        && comments.y < scroller.contentY + 2 * scroller.height
    // Judged on the laid-out frame: positions are only current after the layouts' polish.
    Connections {
        target: editor.commentRowsWanted ? null : editor.Window.window
        function onAfterAnimating(): void {
            if (!editor.commentsInReach)
                return
            if (comments.y > scroller.contentY + scroller.height)
                editor.commentRowsAtOnce = 0
            editor.commentRowsWanted = true
        }
    }

    // Moments for the benchmarks (see Shell.note): the first frame with the editor, the first
    // frame with everything it loads side by side, and the one with the last checklist.
    property int sectionsBuilt: 0
    readonly property bool detailsIn: sectionsBuilt === 5
                                      && AppState.details.commentsModel(card.id).loaded
                                      && AppState.details.checklistsModel(card.id).loaded
                                      && AppState.details.attachmentsModel(card.id).loaded
                                      && AppState.boards.labelsModel(card.idBoard).loaded
                                      && AppState.boards.membersModel(card.idBoard).loaded
    onDetailsInChanged: if (detailsIn) noteNextFrame("editor details drawn")
    // (Set while a frame is being drawn, after its layout: the rows show in the frame after.)
    onCommentRowsWantedChanged: if (commentRowsWanted) Qt.callLater(noteNextFrame, "editor comment rows drawn") // qmllint disable type
    function noteNextFrame(event: string): void {
        const window = editor.Window.window
        if (!window)
            return
        const once = function () {
            window.frameSwapped.disconnect(once)
            Shell.note(event)
        }
        window.frameSwapped.connect(once)
    }

    // One update with what changed; the due date and completion go along whenever a due date
    // is set. The editor closes once the service has taken it, and otherwise stays with every
    // edit and says why.
    function save(): void {
        if (!canSave)
            return
        saveError = ""
        openCard.save().then(editor, function (outcome) {
            if (outcome.ok)
                editor.dismissed()
            else
                editor.saveError = outcome.error !== "" ? outcome.error : AppState.errorMessage
        })
    }
    // Whatever the outcome: a failure is in the error banner.
    function archive(): void {
        isRemoving = true
        AppState.cards.archiveCard(card.id).then(editor, function () { editor.dismissed() })
    }
    function deleteCard(): void {
        isRemoving = true
        AppState.cards.deleteCard(card.id).then(editor, function () { editor.dismissed() })
    }
    function confirmDelete(): void {
        const dialog = deleteComponent.createObject(editor)
        dialog.closed.connect(function () { dialog.destroy() })
        dialog.open()
    }

    // Keeps the focused field in view as Tab walks through the form.
    function reveal(item: Item): void {
        for (let up = item; up !== null; up = up.parent) {
            if (up === form) {
                const top = item.mapToItem(form, 0, 0).y + form.y
                const bottom = top + item.height
                if (top < scroller.contentY)
                    scroller.contentY = Math.max(0, top - 12)
                else if (bottom > scroller.contentY + scroller.height)
                    scroller.contentY = Math.min(scroller.contentHeight - scroller.height,
                                                 bottom - scroller.height + 12)
                return
            }
        }
    }
    Connections {
        target: editor.Window.window
        function onActiveFocusItemChanged(): void {
            const item = editor.Window.window.activeFocusItem
            if (item !== null)
                editor.reveal(item)
        }
    }

    Connections {
        target: editor.lists
        function onRowsInserted(): void { ++editor.listsRevision }
        function onRowsRemoved(): void { ++editor.listsRevision }
        function onRowsMoved(): void { ++editor.listsRevision }
        function onModelReset(): void { ++editor.listsRevision }
    }

    // Return saves from the card's own fields: title, list, switches, date. A section's field has
    // sent its own form by now (a text field passes Return on): no save, no Return for the board.
    Keys.onPressed: (event) => {
        if ((event.key !== Qt.Key_Return && event.key !== Qt.Key_Enter)
                || (event.modifiers & ~Qt.KeypadModifier) !== Qt.NoModifier)
            return
        event.accepted = true
        for (let up = editor.Window.window.activeFocusItem; up !== null && up !== editor; up = up.parent) {
            if ([titleField, listPicker, dueSwitch, dueCompleteSwitch, duePicker].includes(up)) {
                editor.save()
                return
            }
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Item {
            Layout.fillWidth: true
            implicitHeight: backButton.implicitHeight + 16

            PlainButton {
                id: backButton
                objectName: "editorBackButton"
                x: 12
                anchors.verticalCenter: parent.verticalCenter
                text: qsTr("Back")
                symbol: "chevron.left"
                onClicked: editor.dismissed()
            }
            Text {
                anchors.centerIn: parent
                text: qsTr("Edit Card")
                font: Theme.headlineFont
                color: Theme.primary
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
        }

        Divider { Layout.topMargin: 0; Layout.bottomMargin: 0 }

        Flickable {
            id: scroller
            objectName: "editorForm"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            contentWidth: width
            contentHeight: form.implicitHeight + 24
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

            ColumnLayout {
                id: form
                x: 12
                y: 12
                width: scroller.width - 24
                spacing: 12

                ColumnLayout {
                    spacing: 4
                    Layout.fillWidth: true
                    SectionHeader {
                        title: qsTr("Title")
                        Layout.fillWidth: true
                    }
                    TextField {
                        id: titleField
                        objectName: "editorTitleField"
                        focus: true
                        placeholderText: qsTr("Card title")
                        text: editor.name
                        font: Theme.bodyFont
                        selectByMouse: true
                        Layout.fillWidth: true
                        Accessible.name: qsTr("Title")
                        onTextEdited: editor.name = text
                    }
                }

                ColumnLayout {
                    spacing: 4
                    Layout.fillWidth: true
                    SectionHeader {
                        title: qsTr("Description")
                        Layout.fillWidth: true
                    }
                    // The frame stays put while the text scrolls inside it.
                    Rectangle {
                        Layout.fillWidth: true
                        Layout.preferredHeight: Math.min(140, Math.max(80, descField.implicitHeight + 2))
                        radius: 7
                        color: Theme.textBackground
                        border.width: descField.activeFocus ? 2 : 1
                        border.color: descField.activeFocus ? Theme.accent
                                                            : Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.12)

                        ScrollView {
                            anchors.fill: parent
                            anchors.margins: 1

                            TextArea {
                                id: descField
                                objectName: "editorDescriptionField"
                                text: editor.desc
                                font: Theme.bodyFont
                                color: Theme.primary
                                selectionColor: Theme.accent
                                selectedTextColor: Theme.accentText
                                padding: 4
                                wrapMode: TextEdit.Wrap
                                selectByMouse: true
                                background: null
                                Accessible.name: qsTr("Description")
                                onTextChanged: if (text !== editor.desc) editor.desc = text
                                // Return starts a new line here; Tab leaves the field.
                                KeyNavigation.priority: KeyNavigation.BeforeItem
                                KeyNavigation.tab: listPicker
                                KeyNavigation.backtab: titleField
                            }
                        }
                    }
                }

                ColumnLayout {
                    spacing: 4
                    Layout.fillWidth: true
                    SectionHeader {
                        title: qsTr("List")
                        Layout.fillWidth: true
                    }
                    ComboBox {
                        id: listPicker
                        objectName: "listPicker"
                        model: editor.lists
                        textRole: "name"
                        valueRole: "recordId"
                        currentIndex: editor.listsRevision >= 0 && editor.lists
                                      ? editor.lists.indexOf(editor.selectedListID) : -1
                        font: Theme.bodyFont
                        Layout.fillWidth: true
                        Accessible.name: qsTr("List")
                        onActivated: editor.selectedListID = currentValue
                    }
                }

                ColumnLayout {
                    spacing: 4
                    Layout.fillWidth: true
                    SectionHeader {
                        title: qsTr("Due Date")
                        Layout.fillWidth: true
                    }
                    Switch {
                        id: dueSwitch
                        objectName: "dueSwitch"
                        text: qsTr("Set due date")
                        checked: editor.dueEnabled
                        font: Theme.bodyFont
                        onToggled: editor.dueEnabled = checked
                    }
                    // Built only while a due date is set.
                    Loader {
                        id: duePicker
                        active: editor.dueEnabled
                        visible: active
                        // qmllint disable unqualified
                        sourceComponent: DateTimePicker {
                            objectName: "duePicker"
                            value: editor.dueDate
                            Accessible.name: qsTr("Due")
                            onEdited: editor.dueDate = value
                        }
                        // qmllint enable unqualified
                    }
                    Switch {
                        id: dueCompleteSwitch
                        objectName: "dueCompleteSwitch"
                        visible: editor.dueEnabled
                        text: qsTr("Marked complete")
                        checked: editor.dueComplete
                        font: Theme.bodyFont
                        onToggled: editor.dueComplete = checked
                    }
                }

                // Qt 6.4's linter cannot see this file's ids from inside the components.
                // qmllint disable unqualified
                Divider {}
                Loader {
                    asynchronous: editor.incremental
                    Layout.fillWidth: true
                    onLoaded: ++editor.sectionsBuilt
                    sourceComponent: CardMembersSection { card: editor.card }
                }
                Divider {}
                Loader {
                    asynchronous: editor.incremental
                    Layout.fillWidth: true
                    onLoaded: ++editor.sectionsBuilt
                    sourceComponent: CardLabelsSection { card: editor.card }
                }
                Divider {}
                Loader {
                    asynchronous: editor.incremental
                    Layout.fillWidth: true
                    onLoaded: ++editor.sectionsBuilt
                    sourceComponent: CardChecklistsSection {
                        card: editor.card
                        incremental: editor.incremental
                        onAllBuilt: editor.noteNextFrame("editor checklists drawn")
                    }
                }
                Divider {}
                Loader {
                    asynchronous: editor.incremental
                    Layout.fillWidth: true
                    onLoaded: ++editor.sectionsBuilt
                    sourceComponent: CardAttachmentsSection { card: editor.card }
                }
                // qmllint enable unqualified

                LinkButton {
                    objectName: "openInBrowserLink"
                    visible: editor.webURL !== ""
                    text: qsTr("Open in %1").arg(Theme.webAddress)
                    url: editor.webURL
                }

                Text {
                    objectName: "saveError"
                    visible: editor.saveError !== ""
                    text: editor.saveError
                    textFormat: Text.PlainText
                    font: Theme.captionFont
                    color: Theme.red
                    wrapMode: Text.Wrap
                    Layout.fillWidth: true
                    Accessible.role: Accessible.AlertMessage
                    Accessible.name: text
                }

                Divider {}
                // qmllint disable unqualified
                Loader {
                    id: comments
                    asynchronous: editor.incremental
                    Layout.fillWidth: true
                    onLoaded: ++editor.sectionsBuilt
                    sourceComponent: CommentsSection {
                        card: editor.card
                        rowsWanted: editor.commentRowsWanted
                        rowsMadeAtOnce: editor.commentRowsAtOnce
                        // (parent: the Loader; the section has a `comments` of its own)
                        viewTop: scroller.contentY - parent.y
                        viewHeight: scroller.height
                    }
                }
                // qmllint enable unqualified
            }
        }

        Divider { Layout.topMargin: 0; Layout.bottomMargin: 0 }

        RowLayout {
            spacing: 8
            Layout.fillWidth: true
            Layout.leftMargin: 12
            Layout.rightMargin: 12
            Layout.topMargin: 8
            Layout.bottomMargin: 8

            ActionButton {
                objectName: "archiveCardButton"
                label: qsTr("Archive")
                enabled: !editor.isRemoving
                ToolTip.text: qsTr("Archive this card — recoverable on %1").arg(Theme.webAddress)
                ToolTip.visible: hovered
                ToolTip.delay: 600
                Accessible.description: ToolTip.text
                onClicked: editor.archive()
            }
            ActionButton {
                objectName: "deleteCardButton"
                label: qsTr("Delete…")
                destructive: true
                enabled: !editor.isRemoving
                onClicked: editor.confirmDelete()
            }
            Item { Layout.fillWidth: true }
            ActionButton {
                objectName: "cancelEditButton"
                label: qsTr("Cancel")
                onClicked: editor.dismissed()
            }
            ActionButton {
                objectName: "saveCardButton"
                label: qsTr("Save")
                prominent: true
                enabled: editor.canSave
                onClicked: editor.save()
            }
        }
    }

    // Qt 6.4's linter cannot see ids from inside a Component.
    // qmllint disable unqualified
    Component {
        id: deleteComponent
        ConfirmationDialog {
            objectName: "deleteCardDialog"
            // The name as stored, not as being edited.
            title: qsTr("Delete “%1”?").arg(editor.card.name)
            message: qsTr("Deleting can't be undone. Archiving keeps the card recoverable on %1.").arg(Theme.webAddress)
            actionText: qsTr("Delete Permanently")
            onConfirmed: editor.deleteCard()
        }
    }
    // qmllint enable unqualified

    component Divider: Rectangle {
        color: Theme.separator
        implicitHeight: 1
        Layout.fillWidth: true
        Layout.topMargin: 4
        Layout.bottomMargin: 4
    }
}
