// SPDX-License-Identifier: MIT
// A comment edited in place: its text in a field that starts at one line and grows to six
// (longer text scrolls), then Cancel and Save. Ctrl+Return saves, Escape cancels, Tab moves on;
// an @ offers the board's members to mention, and while that list is open Return and Tab pick
// from it and Escape closes only the list.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

FocusScope {
    id: editor

    // The text the field starts with.
    required property string initialText
    // The board's members (a KeyedListModel), to mention.
    property var members: null
    // While the save is under way the text stays as it is.
    property bool saving: false

    signal edited(string text)
    signal saveRequested()
    signal cancelled()

    implicitHeight: editColumn.implicitHeight
    Component.onCompleted: editField.forceActiveFocus()

    ColumnLayout {
        id: editColumn
        width: parent.width
        spacing: 6

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: Math.min(editField.implicitHeight,
                                             6 * editMetrics.lineSpacing + editField.topPadding
                                             + editField.bottomPadding) + 2
            radius: 6
            color: Theme.textBackground
            border.width: editField.activeFocus ? 2 : 1
            border.color: editField.activeFocus ? Theme.accent
                                                : Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.2)
            ScrollView {
                anchors.fill: parent
                anchors.margins: 1
                TextArea {
                    id: editField
                    objectName: "commentEditField"
                    placeholderText: qsTr("Comment")
                    wrapMode: TextEdit.Wrap
                    selectByMouse: true
                    readOnly: editor.saving
                    font: Theme.calloutFont
                    color: Theme.primary
                    placeholderTextColor: Theme.secondary
                    topPadding: 5
                    bottomPadding: 5
                    leftPadding: 7
                    rightPadding: 7
                    background: null
                    Accessible.name: qsTr("Comment")
                    Component.onCompleted: {
                        text = editor.initialText
                        cursorPosition = length
                    }
                    onTextChanged: editor.edited(text)
                    // Ctrl+Return is taken before the comments section's own shortcut, which
                    // would send the new comment instead.
                    Keys.onShortcutOverride: (event) => {
                        if ((event.key === Qt.Key_Return || event.key === Qt.Key_Enter)
                                && (event.modifiers & Qt.ControlModifier))
                            event.accepted = true
                    }
                    Keys.onPressed: (event) => {
                        if (mentionPopup.handleKey(event))
                            return
                        if (event.key === Qt.Key_Tab || event.key === Qt.Key_Backtab) {
                            const next = editField.nextItemInFocusChain(event.key === Qt.Key_Tab
                                                                        && !(event.modifiers & Qt.ShiftModifier))
                            if (next)
                                next.forceActiveFocus(Qt.TabFocusReason)
                            event.accepted = true
                        } else if ((event.key === Qt.Key_Return || event.key === Qt.Key_Enter)
                                   && (event.modifiers & Qt.ControlModifier)) {
                            editor.saveRequested()
                            event.accepted = true
                        } else if (event.key === Qt.Key_Escape) {
                            editor.cancelled()
                            event.accepted = true
                        }
                    }
                }
            }
        }
        FontMetrics {
            id: editMetrics
            font: editField.font
        }
        MentionPopup {
            id: mentionPopup
            input: editField
            members: editor.members
        }

        RowLayout {
            spacing: 6
            Layout.fillWidth: true
            Item { Layout.fillWidth: true }
            PlainButton {
                objectName: "cancelEditButton"
                text: qsTr("Cancel")
                onClicked: editor.cancelled()
            }
            ActionButton {
                objectName: "saveEditButton"
                label: qsTr("Save")
                prominent: true
                enabled: !editor.saving && editField.text.trim() !== ""
                onClicked: editor.saveRequested()
            }
        }
    }
}
