// SPDX-License-Identifier: MIT
// The card's description: shown rendered from its Markdown, edited as text. A click or Return
// on it opens the text field (a click on a link opens the link); Escape or leaving the field
// shows it rendered again. Every keystroke reaches `edited` at once, so closing the field
// loses nothing. Return in the field starts a new line; Tab leaves it. An @ offers the board's
// members to mention: while that list is open, Return and Tab pick from it and Escape closes
// only the list.
import QtQuick
import QtQuick.Controls
import Stavelin

FocusScope {
    id: field

    // The description being edited.
    property string text
    // The board's members (a KeyedListModel): to mention, and shown by name where mentioned.
    property var members: null
    signal edited(string text)

    property bool editing: false
    // The text field while it is open.
    property TextArea area: null

    function beginEdit(): void {
        editing = true
        area.cursorPosition = area.length
        area.forceActiveFocus()
    }
    // Back to the rendered text, which keeps the focus when the field had it.
    function endEdit(): void {
        const hadFocus = area !== null && area.activeFocus
        editing = false
        if (hadFocus)
            view.forceActiveFocus()
    }
    function leave(forward: bool): void {
        const next = area.nextItemInFocusChain(forward)
        if (next)
            next.forceActiveFocus(forward ? Qt.TabFocusReason : Qt.BacktabFocusReason)
    }

    implicitHeight: editing && area !== null ? Math.min(140, Math.max(80, area.implicitHeight + 2))
                                             : Math.max(36, shown.implicitHeight + 12)
    Accessible.name: qsTr("Description")

    // Not while the field is open: a long text would be rendered again at every keystroke.
    MarkdownRendering {
        id: rendering
        text: field.editing ? "" : field.text
        members: field.members
    }

    Rectangle {
        anchors.fill: parent
        radius: 7
        color: Theme.textBackground
        border.width: field.activeFocus ? 2 : 1
        border.color: field.activeFocus ? Theme.accent
                                        : Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.12)
    }

    Item {
        id: view
        objectName: "descriptionView"
        anchors.fill: parent
        visible: !field.editing
        focus: true
        activeFocusOnTab: true
        Accessible.role: Accessible.EditableText
        Accessible.name: qsTr("Description")
        Keys.onReturnPressed: field.beginEdit()
        Keys.onEnterPressed: field.beginEdit()

        Text {
            id: shown
            objectName: "descriptionText"
            x: 6
            y: 6
            width: parent.width - 12
            // The placeholder, or the text rendered (or its start, while a long one renders).
            text: field.text === "" ? qsTr("Add a description…") : rendering.richText
            textFormat: Text.RichText
            wrapMode: Text.Wrap
            font: Theme.bodyFont
            color: field.text === "" ? Theme.secondary : Theme.primary
            linkColor: Theme.accent
            onLinkActivated: (link) => Markdown.openLink(link)
        }
        MouseArea {
            id: pointer
            anchors.fill: parent
            hoverEnabled: true
            property string link
            cursorShape: pointer.link !== "" ? Qt.PointingHandCursor : Qt.IBeamCursor
            function linkUnder(x: real, y: real): string {
                return shown.linkAt(x - shown.x, y - shown.y)
            }
            onPositionChanged: (mouse) => pointer.link = pointer.linkUnder(mouse.x, mouse.y)
            onExited: pointer.link = ""
            onClicked: (mouse) => {
                const under = pointer.linkUnder(mouse.x, mouse.y)
                if (under !== "")
                    shown.linkActivated(under)
                else
                    field.beginEdit()
            }
        }
    }

    Loader {
        id: editorSlot
        anchors.fill: parent
        anchors.margins: 1
        active: field.editing
        visible: active
        // qmllint disable unqualified
        sourceComponent: ScrollView {
            TextArea {
                id: area
                objectName: "editorDescriptionArea"
                text: field.text
                font: Theme.bodyFont
                color: Theme.primary
                selectionColor: Theme.accent
                selectedTextColor: Theme.accentText
                padding: 4
                wrapMode: TextEdit.Wrap
                selectByMouse: true
                background: null
                Accessible.name: qsTr("Description")
                onTextChanged: if (text !== field.text) field.edited(text)
                Component.onCompleted: field.area = this
                Component.onDestruction: if (field.area === this) field.area = null
                onActiveFocusChanged: if (!activeFocus) field.editing = false
                // Escape shows the text rendered and stays in the editor; Tab moves on.
                Keys.onPressed: (event) => {
                    if (mentions.handleKey(event))
                        return
                    if (event.key === Qt.Key_Escape)
                        field.endEdit()
                    else if (event.key === Qt.Key_Tab)
                        field.leave(true)
                    else if (event.key === Qt.Key_Backtab)
                        field.leave(false)
                    else
                        return
                    event.accepted = true
                }
                MentionPopup {
                    id: mentions
                    objectName: "descriptionMentions"
                    input: area
                    members: field.members
                }
            }
        }
        // qmllint enable unqualified
    }
}
