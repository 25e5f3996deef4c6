// SPDX-License-Identifier: MIT
// A system-wide shortcut (the panel's, or with `quickAdd` quick add's): the combination on a
// button that records a new one ("Press the new shortcut…": Escape cancels, Backspace or
// Delete clears), and what became of it in words. Where the desktop offers no way to have
// one, the command to bind in its own keyboard settings, ready to copy.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

ColumnLayout {
    id: field

    property bool quickAdd: false
    readonly property string label: quickAdd ? qsTr("Quick add shortcut") : qsTr("Keyboard shortcut")
    readonly property string combination: quickAdd ? Shell.quickAddShortcutText : Shell.shortcutText
    readonly property string shortcutState: quickAdd ? Shell.quickAddShortcutState : Shell.shortcutState
    readonly property string shortcutStatus: quickAdd ? Shell.quickAddShortcutStatus : Shell.shortcutStatus
    readonly property string command: quickAdd ? Shell.quickAddCommand : Shell.toggleCommand
    // The object names of its parts: the panel's as they were, quick add's with a prefix.
    readonly property string prefix: quickAdd ? "quickAdd" : ""
    function named(name: string): string {
        return prefix === "" ? name : prefix + name.charAt(0).toUpperCase() + name.slice(1)
    }
    function choose(key: int, modifiers: int): void {
        if (quickAdd)
            Shell.chooseQuickAddShortcut(key, modifiers)
        else
            Shell.chooseShortcut(key, modifiers)
    }

    property bool recording: false
    // Said while recording when a key came without Ctrl, Alt or Super.
    property string recordingHint: ""

    function record(event): void {
        if (event.key === Qt.Key_Escape) {
            field.recording = false
        } else if (event.key === Qt.Key_Backspace || event.key === Qt.Key_Delete) {
            field.recording = false
            field.choose(0, 0)
        } else if ([Qt.Key_Control, Qt.Key_Alt, Qt.Key_Shift, Qt.Key_Meta, Qt.Key_Super_L,
                    Qt.Key_Super_R, Qt.Key_AltGr, Qt.Key_CapsLock, Qt.Key_NumLock].includes(event.key)) {
            return // a modifier alone: the combination is still being held down
        } else if ((event.modifiers & (Qt.ControlModifier | Qt.AltModifier | Qt.MetaModifier)) === 0
                   && !(event.key >= Qt.Key_F1 && event.key <= Qt.Key_F35)) {
            field.recordingHint = qsTr("Use Ctrl, Alt or Super with the key.")
            return
        } else {
            field.recording = false
            field.choose(event.key, event.modifiers)
        }
    }

    spacing: 6
    Layout.fillWidth: true

    RowLayout {
        spacing: 8
        Layout.fillWidth: true
        Text {
            text: field.label
            font: Theme.bodyFont
            color: Theme.primary
            Layout.fillWidth: true
        }
        ActionButton {
            id: recorder
            objectName: field.named("shortcutButton")
            label: field.recording ? qsTr("Press the new shortcut…")
                 : field.combination !== "" ? field.combination : qsTr("None")
            Accessible.name: field.label
            Accessible.description: label
            onClicked: {
                field.recordingHint = ""
                field.recording = true
                forceActiveFocus(Qt.OtherFocusReason)
            }
            onActiveFocusChanged: if (!activeFocus) field.recording = false
            // Every key while recording is the shortcut's, Escape and Return included: none of
            // them may close the panel or press the button.
            Keys.priority: Keys.BeforeItem
            Keys.onPressed: function (event) {
                if (!field.recording)
                    return
                event.accepted = true
                field.record(event)
            }
            Keys.onShortcutOverride: function (event) { event.accepted = field.recording }
        }
    }
    Text {
        objectName: field.named("shortcutStatus")
        text: field.recording && field.recordingHint !== "" ? field.recordingHint : field.shortcutStatus
        visible: text !== ""
        font: Theme.captionFont
        color: field.shortcutState === "taken" || field.shortcutState === "failed" ? Theme.red : Theme.secondary
        wrapMode: Text.Wrap
        Layout.fillWidth: true
    }
    RowLayout {
        visible: field.shortcutState === "unsupported"
        spacing: 8
        Layout.fillWidth: true
        TextField {
            objectName: field.quickAdd ? "quickAddCommandField" : "toggleCommandField"
            text: field.command
            readOnly: true
            selectByMouse: true
            font.family: "monospace"
            Accessible.name: qsTr("Command to bind")
            Layout.fillWidth: true
        }
        ActionButton {
            objectName: field.quickAdd ? "copyQuickAddCommandButton" : "copyToggleCommandButton"
            label: qsTr("Copy")
            onClicked: Shell.copyText(field.command)
        }
    }
}
