// SPDX-License-Identifier: MIT
// The members an @mention may name, under the caret of a text field while one is typed:
// narrowed as the user types, picked by Up and Down and Return or Tab, or by a click, which
// puts "@username " in place of what was typed. Escape closes the list and nothing else.
//
// The field keeps the keyboard: its key handler asks `handleKey` first.
import QtQuick
import QtQuick.Controls
import Stavelin

Popup {
    id: popup

    // The text field the mentions are typed in (the popup's parent).
    required property TextEdit input
    // The board's members (a KeyedListModel).
    property var members: null

    readonly property alias completer: completer
    readonly property alias list: list
    // The @ on which the user pressed Escape: its list stays shut while the same mention is typed.
    property int dismissedAt: -1
    readonly property bool wanted: input.activeFocus && !input.readOnly && completer.typedAt >= 0
                                   && completer.count > 0 && completer.typedAt !== dismissedAt

    // Takes the keys that act on the open list: true when `event` was one of them.
    function handleKey(event: var): bool {
        if (!opened)
            return false
        switch (event.key) {
        case Qt.Key_Up:
            completer.move(-1)
            break
        case Qt.Key_Down:
            completer.move(1)
            break
        case Qt.Key_Return:
        case Qt.Key_Enter:
        case Qt.Key_Tab:
            choose(completer.currentIndex)
            break
        case Qt.Key_Escape:
            dismissedAt = completer.typedAt
            break
        default:
            return false
        }
        event.accepted = true
        return true
    }

    // What was typed from the @ to the caret gives way to the member's "@username ".
    function choose(row: int): void {
        const completion = completer.completion(row)
        const at = completer.typedAt
        if (completion === "" || at < 0)
            return
        const end = input.cursorPosition
        input.remove(at, end)
        // A space already there serves.
        if (input.getText(at, at + 1) === " ") {
            input.insert(at, completion.trim())
            input.cursorPosition = at + completion.length
        } else {
            input.insert(at, completion)
        }
    }

    parent: input
    x: Math.max(0, Math.min(input.cursorRectangle.x - 10, input.width - width))
    y: input.cursorRectangle.y + input.cursorRectangle.height + 4
    width: 250
    height: Math.min(list.contentHeight, 5 * 40) + topPadding + bottomPadding
    padding: 4
    margins: 6 // kept inside the window
    // The field keeps the keyboard and the list follows it.
    focus: false
    modal: false
    closePolicy: Popup.NoAutoClose

    onWantedChanged: wanted ? open() : close()

    MentionCompleter {
        id: completer
        members: popup.members
        // Not followed while the field is left: a long description is not looked at.
        text: popup.input.activeFocus ? popup.input.text : ""
        cursorPosition: popup.input.cursorPosition
        onTypedAtChanged: if (typedAt < 0) popup.dismissedAt = -1
    }

    background: Rectangle {
        radius: 8
        color: Theme.dark ? Qt.lighter(Theme.windowBackground, 1.25) : Theme.textBackground
        border.width: 1
        border.color: Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, Theme.dark ? 0.25 : 0.15)
    }

    ListView {
        id: list
        objectName: "mentionList"
        anchors.fill: parent
        clip: true
        model: completer
        currentIndex: completer.currentIndex
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }
        Accessible.role: Accessible.List
        Accessible.name: qsTr("Members to mention")

        // Qt 6.4's linter cannot see this file's ids from inside the delegate.
        // qmllint disable unqualified
        delegate: Rectangle {
            id: row
            required property int index
            required property string username
            required property string name
            required property var record
            readonly property bool current: ListView.isCurrentItem
            objectName: "mention:" + username
            width: ListView.view.width
            height: 40
            radius: 6
            color: current ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, Theme.dark ? 0.35 : 0.18)
                 : pointer.hovered ? Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.06)
                 : "transparent"

            Accessible.role: Accessible.ListItem
            Accessible.name: qsTr("%1, @%2").arg(row.name).arg(row.username)
            Accessible.selected: row.current
            Accessible.onPressAction: popup.choose(row.index)

            MemberAvatar {
                id: face
                x: 6
                anchors.verticalCenter: parent.verticalCenter
                member: row.record
                size: 26
            }
            Column {
                anchors.left: face.right
                anchors.leftMargin: 8
                anchors.right: parent.right
                anchors.rightMargin: 6
                anchors.verticalCenter: parent.verticalCenter
                Text {
                    width: parent.width
                    text: row.name
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font: Theme.withWeight(Theme.bodyFont, Font.DemiBold)
                    color: Theme.primary
                }
                Text {
                    width: parent.width
                    text: "@" + row.username
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font: Theme.captionFont
                    color: Theme.secondary
                }
            }
            HoverHandler { id: pointer }
            TapHandler { onTapped: popup.choose(row.index) }
        }
        // qmllint enable unqualified
    }
}
