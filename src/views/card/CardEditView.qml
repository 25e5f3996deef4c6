// SPDX-License-Identifier: MIT
// The card editor: the card's title, description, list, due date and completion, written with
// one update when the user saves; its members, labels, checklists, attachments and comments,
// whose sections act on the store at once; archive and delete.
//
// The edits are taken from the card once, when the editor opens; later copies of the card
// (after a section's change, say) do not overwrite them, and a save compares against the copy
// of that moment. Return saves from the card's own fields; in a section's field it sends that
// field's form, in the description it starts a new line, on a button it presses the button.
// The description shows rendered until it is clicked or Return is pressed on it.
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
    OpenCard { id: edits }
    property alias name: edits.name
    property alias desc: edits.desc
    property alias dueEnabled: edits.dueEnabled
    property alias dueDate: edits.due
    property alias dueComplete: edits.dueComplete
    property alias selectedListID: edits.listID

    readonly property bool isSaving: edits.isSaving
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

    Component.onCompleted: {
        edits.takeCard(card)
        edits.loadSections()
        Shell.noteNextFrame(editor, "editor first frame")
    }

    // The comment rows, the longest part of a busy card and its last, are made once the
    // comments come within a screen of the view, as a list view makes its rows. That is judged
    // once the sections above them are built and their answers in, and kept from then on.
    property bool commentRowsWanted: !incremental
    property int commentRowsAtOnce: 10
    readonly property bool commentsInReach: sectionsBuilt === 5
        && AppState.checklists.loadingChecklists.indexOf(card.id) < 0
        && AppState.attachments.loadingAttachments.indexOf(card.id) < 0
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

    // Moments for the benchmarks (see Shell.noteNextFrame): the first frame with the editor,
    // the first frame with everything it loads side by side, and the one with the last
    // checklist.
    property int sectionsBuilt: 0
    readonly property bool detailsIn: sectionsBuilt === 5
                                      && AppState.comments.commentsModel(card.id).loaded
                                      && AppState.checklists.checklistsModel(card.id).loaded
                                      && AppState.attachments.attachmentsModel(card.id).loaded
                                      && AppState.boards.labelsModel(card.idBoard).loaded
                                      && AppState.boards.membersModel(card.idBoard).loaded
    onDetailsInChanged: if (detailsIn) Shell.noteNextFrame(editor, "editor details drawn")
    // (Set while a frame is being drawn, after its layout: the rows show in the frame after.)
    onCommentRowsWantedChanged: if (commentRowsWanted) Qt.callLater(Shell.noteNextFrame, editor, "editor comment rows drawn") // qmllint disable type

    // One update with what changed; the due date and completion go along whenever a due date
    // is set. The editor closes once the service has taken it, and otherwise stays with every
    // edit and says why.
    function save(): void {
        if (!canSave)
            return
        saveError = ""
        edits.save().then(editor, function (outcome) {
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
    function deleteCard(cardID: string): void {
        isRemoving = true
        AppState.cards.deleteCard(cardID).then(editor, function () { editor.dismissed() })
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
            // (Not while the editor goes.)
            const window = editor !== null ? editor.Window.window : null
            if (window !== null && window.activeFocusItem !== null)
                editor.reveal(window.activeFocusItem)
        }
    }

    // Return saves from the card's own fields: title, list, switches, date. A section's field has
    // sent its own form by now (a text field passes Return on): no save, no Return for the board.
    Keys.onPressed: (event) => {
        if ((event.key !== Qt.Key_Return && event.key !== Qt.Key_Enter)
                || (event.modifiers & ~Qt.KeypadModifier) !== Qt.NoModifier)
            return
        event.accepted = true
        if (fields.savesOnReturn(editor.Window.window.activeFocusItem))
            editor.save()
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        CardEditorHeader {
            Layout.fillWidth: true
            onBackRequested: editor.dismissed()
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

                CardFormFields {
                    id: fields
                    openCard: edits
                    lists: editor.lists
                    members: AppState.boards.membersModel(editor.card.idBoard)
                    Layout.fillWidth: true
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
                        onAllBuilt: Shell.noteNextFrame(editor, "editor checklists drawn")
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

        CardEditorActions {
            card: editor.card
            removing: editor.isRemoving
            canSave: editor.canSave
            Layout.fillWidth: true
            Layout.leftMargin: 12
            Layout.rightMargin: 12
            Layout.topMargin: 8
            Layout.bottomMargin: 8
            onArchiveRequested: editor.archive()
            onDeleteConfirmed: (cardID) => editor.deleteCard(cardID)
            onCancelRequested: editor.dismissed()
            onSaveRequested: editor.save()
        }
    }

    component Divider: Rectangle {
        color: Theme.separator
        implicitHeight: 1
        Layout.fillWidth: true
        Layout.topMargin: 4
        Layout.bottomMargin: 4
    }
}
