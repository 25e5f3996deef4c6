// SPDX-License-Identifier: MIT
// The card's own fields in its editor: title, description, list, due date and completion, each
// bound to the open card's edits. Return in the title, the list picker, the switches or the date
// saves the card (see savesOnReturn); the description keeps Return for its new lines.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

ColumnLayout {
    id: fields

    required property OpenCard openCard
    // The board's lists (a KeyedListModel) for the list picker.
    required property var lists
    // The board's members, offered when an @mention is typed in the description.
    property var members: null

    // Bumped by every change of the lists, which the list picker's index follows.
    property int listsRevision: 0
    Connections {
        target: fields.lists
        function onRowsInserted(): void { ++fields.listsRevision }
        function onRowsRemoved(): void { ++fields.listsRevision }
        function onRowsMoved(): void { ++fields.listsRevision }
        function onModelReset(): void { ++fields.listsRevision }
    }

    // Whether Return on `item` (the one with the keyboard focus) saves the card.
    function savesOnReturn(item: Item): bool {
        for (let up = item; up !== null && up !== fields; up = up.parent) {
            if ([titleField, listPicker, dueSwitch, dueCompleteSwitch, duePicker].includes(up))
                return true
        }
        return false
    }

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
            text: fields.openCard.name
            font: Theme.bodyFont
            selectByMouse: true
            Layout.fillWidth: true
            Accessible.name: qsTr("Title")
            onTextEdited: fields.openCard.name = text
        }
    }

    ColumnLayout {
        spacing: 4
        Layout.fillWidth: true
        SectionHeader {
            title: qsTr("Description")
            Layout.fillWidth: true
        }
        DescriptionField {
            objectName: "editorDescriptionField"
            text: fields.openCard.desc
            members: fields.members
            Layout.fillWidth: true
            onEdited: (text) => fields.openCard.desc = text
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
            model: fields.lists
            textRole: "name"
            valueRole: "recordId"
            currentIndex: fields.listsRevision >= 0 && fields.lists
                          ? fields.lists.indexOf(fields.openCard.listID) : -1
            font: Theme.bodyFont
            Layout.fillWidth: true
            Accessible.name: qsTr("List")
            onActivated: fields.openCard.listID = currentValue
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
            checked: fields.openCard.dueEnabled
            font: Theme.bodyFont
            onToggled: fields.openCard.dueEnabled = checked
        }
        // Built only while a due date is set.
        Loader {
            id: duePicker
            active: fields.openCard.dueEnabled
            visible: active
            // qmllint disable unqualified
            sourceComponent: DateTimePicker {
                objectName: "duePicker"
                value: fields.openCard.due
                Accessible.name: qsTr("Due")
                onEdited: fields.openCard.due = value
            }
            // qmllint enable unqualified
        }
        Switch {
            id: dueCompleteSwitch
            objectName: "dueCompleteSwitch"
            visible: fields.openCard.dueEnabled
            text: qsTr("Marked complete")
            checked: fields.openCard.dueComplete
            font: Theme.bodyFont
            onToggled: fields.openCard.dueComplete = checked
        }
    }
}
