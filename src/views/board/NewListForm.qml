// SPDX-License-Identifier: MIT
// The new list form of a board, a screen over the board's: a name, and Create. Back, Cancel
// and Escape leave it; so does a list made. One create at a time (a second Return makes no
// second list), and a refused name stays to be sent again. It carries the board it was opened
// for, and a late answer takes only this screen away, whatever was opened over it meanwhile; an
// answer that comes after the form has gone finds no form to close.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

PanelScreen {
    id: form

    required property string boardID
    property string name
    property bool creating: false

    objectName: "newListForm"

    // The user left the form, or the list is made.
    function close(): void {
        closeRequested()
    }

    function create(): void {
        const title = name.trim()
        if (title === "" || creating)
            return
        creating = true
        AppState.boards.createList(boardID, title).then(form, function (outcome) {
            form.creating = false
            if (outcome.ok)
                form.close()
        })
    }

    Keys.onEscapePressed: close()

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 12
        spacing: 12

        RowLayout {
            PlainButton {
                objectName: "newListBackButton"
                text: qsTr("Back")
                symbol: "chevron.left"
                onClicked: form.close()
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
                Keys.onEscapePressed: form.close()
            }
        }
        RowLayout {
            Item { Layout.fillWidth: true }
            ActionButton {
                objectName: "cancelNewListButton"
                label: qsTr("Cancel")
                onClicked: form.close()
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
}
