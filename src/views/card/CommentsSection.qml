// SPDX-License-Identifier: MIT
// The card editor's comments: a header with the load state and a refresh, the field that
// writes a new comment, and the card's comments, newest first, each with its reactions.
//
// Return in the field sends, Alt+Return (or Shift+Return) starts a new line, and Ctrl+Return
// sends from anywhere else in the editor. A comment the service refused stays in the field.
// An @ in the field offers the board's members to mention; while that list is open, Return
// picks from it and Escape closes it.
import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import QtQuick.Layouts
import Stavelin

ColumnLayout {
    id: section

    // The store's current copy of the card (as KeyedListModel.get returns it).
    required property var card
    // True while the comment field has keyboard focus: Return then sends the comment instead
    // of saving the card.
    readonly property bool commentFocused: composeField.activeFocus

    readonly property string cardID: card ? card.id : ""
    // The board's members: to mention, and to show mentioned by name.
    readonly property KeyedListModel members: card ? AppState.boards.membersModel(card.idBoard) : null
    readonly property KeyedListModel comments: cardID !== "" ? AppState.comments.commentsModel(cardID) : null
    readonly property var loadingCardIDs: AppState.comments.loadingComments
    readonly property bool loading: cardID !== "" && loadingCardIDs.indexOf(cardID) >= 0
    property bool isSendingComment: false
    readonly property bool canSend: !isSendingComment && composeField.text.trim() !== ""

    // What counts as now for the rows' relative dates: one clock for all of them, running only
    // while the section can be seen.
    property date now: new Date()

    spacing: 8

    function submitComment(): void {
        const text = composeField.text.trim()
        if (text === "" || isSendingComment)
            return
        isSendingComment = true
        AppState.comments.addComment(cardID, text).then(section, function (outcome) {
            section.isSendingComment = false
            // Only a comment the service took is cleared: a refused one stays, to send again.
            if (outcome.ok)
                composeField.clear()
        })
    }

    Timer {
        interval: 15000
        repeat: true
        triggeredOnStart: true
        running: section.visible && section.Window.window !== null && section.Window.window.visible
                 && section.comments !== null && section.comments.count > 0
        onTriggered: section.now = new Date()
    }

    // Ctrl+Return sends while the focus is elsewhere in the editor; in the field, plain Return does.
    Shortcut {
        sequences: ["Ctrl+Return", "Ctrl+Enter"]
        enabled: section.visible && !section.commentFocused && section.canSend
        onActivated: section.submitComment()
    }

    RowLayout {
        spacing: 6
        Layout.fillWidth: true
        SectionHeader {
            title: qsTr("Comments")
        }
        Spinner {
            objectName: "commentsLoading"
            visible: section.loading
            implicitWidth: 11
            implicitHeight: 11
        }
        Item { Layout.fillWidth: true }
        IconButton {
            objectName: "refreshCommentsButton"
            symbol: "arrow.clockwise"
            toolTip: qsTr("Refresh comments")
            implicitWidth: 22
            implicitHeight: 22
            symbolSize: 12
            onClicked: AppState.comments.refreshComments(section.cardID)
        }
    }

    RowLayout {
        spacing: 6
        Layout.fillWidth: true

        // The frame stays put while a long comment scrolls inside it: one line to start
        // with, growing to four.
        Rectangle {
            objectName: "commentFrame"
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignBottom
            Layout.preferredHeight: Math.min(composeField.implicitHeight,
                                             4 * composeMetrics.lineSpacing + composeField.topPadding
                                             + composeField.bottomPadding) + 2
            radius: 6
            color: Theme.textBackground
            border.width: composeField.activeFocus ? 2 : 1
            border.color: composeField.activeFocus ? Theme.accent
                                                   : Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.2)

            ScrollView {
                anchors.fill: parent
                anchors.margins: 1

                TextArea {
                    id: composeField
                    objectName: "commentField"
                    placeholderText: qsTr("Add a comment…")
                    wrapMode: TextEdit.Wrap
                    selectByMouse: true
                    // What is being sent stays as it was until the service has answered.
                    readOnly: section.isSendingComment
                    font: Theme.bodyFont
                    color: Theme.primary
                    placeholderTextColor: Theme.secondary
                    topPadding: 5
                    bottomPadding: 5
                    leftPadding: 7
                    rightPadding: 7
                    background: null
                    Accessible.name: qsTr("Comment")

                    Keys.onPressed: (event) => {
                        if (mentionPopup.handleKey(event))
                            return
                        if (event.key === Qt.Key_Tab || event.key === Qt.Key_Backtab) {
                            // The keyboard leaves the field; a tab is no part of a comment.
                            const next = composeField.nextItemInFocusChain(event.key === Qt.Key_Tab
                                                                           && !(event.modifiers & Qt.ShiftModifier))
                            if (next)
                                next.forceActiveFocus(Qt.TabFocusReason)
                            event.accepted = true
                            return
                        }
                        if (event.key !== Qt.Key_Return && event.key !== Qt.Key_Enter)
                            return
                        event.accepted = true
                        if (event.modifiers & (Qt.AltModifier | Qt.ShiftModifier)) {
                            if (!composeField.readOnly) {
                                composeField.remove(composeField.selectionStart, composeField.selectionEnd)
                                composeField.insert(composeField.cursorPosition, "\n")
                            }
                        } else {
                            section.submitComment()
                        }
                    }
                }
            }
        }
        FontMetrics {
            id: composeMetrics
            font: composeField.font
        }
        MentionPopup {
            id: mentionPopup
            objectName: "commentMentions"
            input: composeField
            members: section.members
        }

        T.AbstractButton {
            id: sendButton
            objectName: "sendCommentButton"
            readonly property string toolTipText: section.commentFocused
                                                  ? qsTr("Send (Enter) — Alt+Enter for a new line")
                                                  : qsTr("Send (Ctrl+Enter)")
            enabled: section.canSend
            hoverEnabled: true
            focusPolicy: Qt.StrongFocus
            implicitWidth: 30
            implicitHeight: 28
            padding: 8
            Layout.alignment: Qt.AlignBottom
            Layout.bottomMargin: 1

            Accessible.role: Accessible.Button
            Accessible.name: qsTr("Send comment")
            Accessible.description: toolTipText
            Accessible.onPressAction: sendButton.clicked()
            ToolTip.text: toolTipText
            ToolTip.visible: hovered
            ToolTip.delay: 600

            Keys.onReturnPressed: if (enabled) clicked()
            Keys.onEnterPressed: if (enabled) clicked()
            onClicked: section.submitComment()

            contentItem: Symbol {
                name: "paperplane.fill"
                color: Theme.accentText
            }
            background: Rectangle {
                radius: 6
                opacity: sendButton.enabled ? 1 : 0.45
                color: sendButton.pressed ? Qt.darker(Theme.accent, 1.15)
                     : sendButton.hovered ? Qt.lighter(Theme.accent, 1.08) : Theme.accent
                border.width: sendButton.visualFocus ? 2 : 0
                border.color: Qt.lighter(Theme.accent, 1.5)
            }
        }
    }

    // The first rows are made with the answer, the others ten more a frame and then built
    // between frames, so that a card with hundreds of comments opens without a pause; they lie
    // below the fold anyway. (Waiting rows cost an empty Loader each, not an incubator.)
    property int rowsMade: 10
    // Whether to make the rows at all yet (the editor holds them back while they are far
    // below the view), and how many of the first to make at once rather than between frames
    // (none when they are still out of view: scrolling towards them then does not stall).
    property bool rowsWanted: true
    property int rowsMadeAtOnce: 10
    // The part of the section in view (its top in the section's coordinates, and its height):
    // a row within a screen of it has its reactions fetched. All of it by default.
    property real viewTop: 0
    property real viewHeight: Infinity
    Timer {
        interval: 16
        repeat: true
        running: section.rowsWanted && section.comments !== null && section.rowsMade < section.comments.count
        onTriggered: section.rowsMade += 10
    }
    // Qt 6.4's linter cannot see this file's ids from inside the delegate.
    // qmllint disable unqualified
    RepeaterColumn {
        id: commentRows
        objectName: "commentRows"
        spacing: section.spacing
        Repeater {
            model: section.rowsWanted ? section.comments : null
            delegate: Loader {
                id: slot
                required property var record
                required property int index
                objectName: "commentSlot"
                // (The section is gone first while the editor closes; the rows then go with it.)
                active: section !== null && index < section.rowsMade
                asynchronous: section !== null && index >= section.rowsMadeAtOnce
                width: commentRows.width
                // Within a screen of the view: the row's reactions are fetched. A row is placed at
                // its column's next polish; until then it lies at the top with the first one.
                readonly property real topInSection: commentRows.y + slot.y
                readonly property bool placed: slot.index === 0 || slot.y > 0
                readonly property bool nearView: slot.status === Loader.Ready && section !== null && slot.placed
                                                 && slot.topInSection + slot.height > section.viewTop - section.viewHeight
                                                 && slot.topInSection < section.viewTop + 2 * section.viewHeight
                onNearViewChanged: AppState.comments.setReactionsWanted(slot.record.id, slot.nearView)
                Component.onCompleted: if (slot.nearView) AppState.comments.setReactionsWanted(slot.record.id, true)
                Component.onDestruction: if (slot.nearView) AppState.comments.setReactionsWanted(slot.record.id, false)
                sourceComponent: CommentRow {
                    objectName: "commentRow"
                    comment: slot.record
                    members: section.members
                    now: section.now
                }
            }
        }
    }
    // qmllint enable unqualified

    Text {
        objectName: "noComments"
        visible: !section.loading && (section.comments === null || section.comments.count === 0)
        text: qsTr("No comments yet.")
        textFormat: Text.PlainText
        font: Theme.captionFont
        color: Theme.secondary
        topPadding: 4
        bottomPadding: 4
    }
}
