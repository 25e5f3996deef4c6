// SPDX-License-Identifier: MIT
// One comment of a card: who wrote it and how long ago, its text, and its reactions. The
// member's own comments carry a menu to edit them in place or delete them.
import QtQuick
import QtQuick.Controls
import Stavelin

Rectangle {
    id: row

    // The comment as the store holds it (a TrelloComment).
    required property var comment
    // What counts as now for the relative date; the comments section ticks it for all rows.
    property date now: new Date()
    // The board's members (a KeyedListModel): mentions of them show as their names, and the
    // edit offers them to mention.
    property var members: null

    // Editing in place: the edit buffer, and whether its save is under way.
    property bool isEditing: false
    property string editText: ""
    property bool isSavingEdit: false

    readonly property var author: comment.memberCreator !== undefined && comment.memberCreator !== null
                                  ? comment.memberCreator : null
    readonly property bool isOwn: {
        const me = AppState.session.member
        return me !== undefined && me !== null && author !== null && me.id === author.id
    }
    // The full name whenever the service gave one, even an empty one.
    readonly property string authorName: author === null ? qsTr("Unknown")
                                       : author.fullName !== undefined && author.fullName !== null
                                         ? author.fullName : author.username
    readonly property string elapsed: elapsedText(comment.date, now)

    // How long before `current` the instant `when` was, in words: "just now", "5 minutes ago",
    // "3 days ago" …
    function elapsedText(when: var, current: date): string {
        if (!when || isNaN(when.getTime()))
            return ""
        const minutes = Math.floor(Math.max(0, current.getTime() - when.getTime()) / 60000)
        const hours = Math.floor(minutes / 60)
        const days = Math.floor(hours / 24)
        if (minutes < 1)
            return qsTr("just now")
        if (hours < 1)
            return qsTr("%n minute(s) ago", "", minutes)
        if (days < 1)
            return qsTr("%n hour(s) ago", "", hours)
        if (days < 7)
            return qsTr("%n day(s) ago", "", days)
        if (days < 30) {
            const weeks = Math.floor(days / 7)
            return qsTr("%n week(s) ago", "", weeks)
        }
        if (days < 365) {
            const months = Math.max(1, Math.floor(days / 30))
            return qsTr("%n month(s) ago", "", months)
        }
        const years = Math.floor(days / 365)
        return qsTr("%n year(s) ago", "", years)
    }

    function beginEdit(): void {
        editText = comment.data.text
        isEditing = true
    }

    function saveEdit(): void {
        const text = editText.trim()
        if (text === "" || isSavingEdit)
            return
        isSavingEdit = true
        // The field stays until the service has taken the text, which the store then shows; a
        // refused text stays in the field to be saved again (the store reports why).
        AppState.comments.editComment(comment.id, text).then(row, function (outcome) {
            row.isSavingEdit = false
            if (outcome.ok)
                row.leaveEdit()
        })
    }

    // Leaves the edit without saving (or once saved).
    function leaveEdit(): void {
        const hadFocus = editor.activeFocus
        isEditing = false
        if (hadFocus && menuSlot.item !== null)
            menuSlot.forceActiveFocus() // the Loader hands it on to its button
    }

    function deleteComment(): void {
        AppState.comments.deleteComment(comment.id)
    }

    function openMenu(): void {
        const menu = menuComponent.createObject(row)
        menu.closed.connect(function () { menu.destroy() })
        menu.popup(menuSlot, 0, menuSlot.height)
    }

    implicitHeight: content.height + 16
    radius: 7
    color: Theme.textBackground
    border.width: 1
    border.color: Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.08)

    Accessible.role: Accessible.ListItem
    Accessible.name: qsTr("%1, %2").arg(authorName).arg(elapsed)
    Accessible.description: comment.data.text

    MarkdownRendering {
        id: rendering
        text: row.comment.data.text
        members: row.members
    }

    // Plain positioners rather than layouts: a card may show hundreds of these rows.
    Column {
        id: content
        x: 8
        y: 8
        width: parent.width - 16
        spacing: 4

        Item {
            width: parent.width
            height: Math.max(16, authorText.implicitHeight)
            Text {
                id: authorText
                objectName: "commentAuthor"
                anchors.verticalCenter: parent.verticalCenter
                width: Math.min(implicitWidth, parent.width - dateText.implicitWidth - 6 - 22)
                text: row.authorName
                textFormat: Text.PlainText
                font: Theme.withWeight(Theme.captionFont, Font.Bold)
                color: Theme.primary
                elide: Text.ElideRight
            }
            Text {
                id: dateText
                objectName: "commentDate"
                anchors.left: authorText.right
                anchors.leftMargin: 6
                anchors.verticalCenter: parent.verticalCenter
                text: row.elapsed
                textFormat: Text.PlainText
                font: Theme.captionFont
                color: Theme.secondary
                // Worked out on hover only: formatting a date for every row costs.
                ToolTip.text: dateHover.hovered && row.comment.date
                              ? row.comment.date.toLocaleString(Qt.locale(), Locale.ShortFormat) : ""
                ToolTip.visible: ToolTip.text !== ""
                ToolTip.delay: 600
                HoverHandler { id: dateHover }
            }
            // Only the member's own comments have the menu; the others make no button at all.
            Loader {
                id: menuSlot
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                active: row.isOwn
                visible: !row.isEditing
                // qmllint disable unqualified
                sourceComponent: IconButton {
                    objectName: "commentMenuButton"
                    focus: true
                    symbol: "ellipsis"
                    toolTip: qsTr("Comment actions")
                    implicitWidth: 16
                    implicitHeight: 16
                    symbolSize: 12
                    onClicked: row.openMenu()
                }
                // qmllint enable unqualified
            }
        }

        // The text, rendered from its Markdown, is a plain Text until the pointer comes to it,
        // and selectable for copying from then on: a selectable text costs several times as
        // much to make, and most rows are never pointed at.
        Text {
            id: bodyText
            objectName: "commentText"
            visible: !row.isEditing && !selectableText.active
            width: parent.width
            text: rendering.richText
            textFormat: Text.RichText
            wrapMode: Text.Wrap
            font: Theme.calloutFont
            color: Theme.primary
            linkColor: Theme.accent
            onLinkActivated: (link) => Markdown.openLink(link)
            HoverHandler {
                onHoveredChanged: if (hovered) selectableText.active = true
            }
        }
        Loader {
            id: selectableText
            active: false
            visible: active && !row.isEditing
            width: parent.width
            // qmllint disable unqualified
            sourceComponent: TextEdit {
                objectName: "selectableCommentText"
                text: bodyText.text
                textFormat: TextEdit.RichText
                readOnly: true
                onLinkActivated: (link) => Markdown.openLink(link)
                selectByMouse: true
                // Selectable for copying, but no stop for the Tab key.
                activeFocusOnPress: false
                wrapMode: TextEdit.Wrap
                font: bodyText.font
                color: Theme.primary
                selectionColor: Theme.accent
                selectedTextColor: Theme.accentText
            }
            // qmllint enable unqualified
        }

        Loader {
            id: editor
            active: row.isEditing
            visible: active
            width: parent.width
            // qmllint disable unqualified
            sourceComponent: CommentEditor {
                initialText: row.editText
                members: row.members
                saving: row.isSavingEdit
                onEdited: (text) => row.editText = text
                onSaveRequested: row.saveEdit()
                onCancelled: row.leaveEdit()
            }
            // qmllint enable unqualified
        }

        ReactionsBar {
            objectName: "reactionsBar"
            commentID: row.comment.id
            width: parent.width
        }
    }

    // The menu is made when asked for: a card may show hundreds of comments.
    // qmllint disable unqualified
    Component {
        id: menuComponent
        Menu {
            objectName: "commentMenu"
            MenuItem {
                objectName: "editCommentItem"
                text: qsTr("Edit")
                onTriggered: row.beginEdit()
            }
            MenuItem {
                objectName: "deleteCommentItem"
                text: qsTr("Delete")
                palette.windowText: Theme.red
                onTriggered: row.deleteComment()
            }
        }
    }
    // qmllint enable unqualified
}
