// SPDX-License-Identifier: MIT
// The new list form of a board: a name, and Create. Back, Cancel and Escape leave it; so does a
// list made. One create at a time (a second Return makes no second list), and a refused name
// stays to be sent again. A new form for each opening: an answer that comes after the form
// has gone finds no form to close.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

ColumnLayout {
    id: form

    required property string boardID
    property string name
    property bool creating: false

    // The user left the form, or the list is made.
    signal closed()

    function create(): void {
        const title = name.trim()
        if (title === "" || creating)
            return
        creating = true
        AppState.boards.createList(boardID, title).then(form, function (outcome) {
            form.creating = false
            if (outcome.ok)
                form.closed()
        })
    }

    spacing: 12

    RowLayout {
        PlainButton {
            objectName: "newListBackButton"
            text: qsTr("Back")
            symbol: "chevron.left"
            onClicked: form.closed()
        }
        Item { Layout.fillWidth: true }
    }
    ColumnLayout {
        spacing: 4
        Layout.fillWidth: true
        SectionHeader { title: qsTr("List Name") }
        TextField {
            objectName: "newListNameField"
            focus: true
            placeholderText: qsTr("e.g. To Do")
            text: form.name
            selectByMouse: true
            Layout.fillWidth: true
            Accessible.name: qsTr("List name")
            onTextEdited: form.name = text
            onAccepted: form.create()
            Keys.onEscapePressed: form.closed()
        }
    }
    RowLayout {
        Item { Layout.fillWidth: true }
        ActionButton {
            objectName: "cancelNewListButton"
            label: qsTr("Cancel")
            onClicked: form.closed()
        }
        ActionButton {
            objectName: "createListButton"
            label: qsTr("Create")
            prominent: true
            enabled: form.name.trim() !== "" && !form.creating
            onClicked: form.create()
        }
    }
    Item { Layout.fillHeight: true }
}
