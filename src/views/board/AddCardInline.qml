// SPDX-License-Identifier: MIT
// The foot of a list column: "Add card", which opens a title field for adding cards one after
// another. After each card the field empties and keeps the focus for the next title; Escape
// closes it.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

ColumnLayout {
    id: inline

    required property string listID
    property bool isAdding: false
    property string name
    // A create is under way: a second Return does not make the card twice.
    property bool submitting: false

    readonly property bool canAdd: name.trim() !== "" && !submitting

    function open(): void {
        name = ""
        isAdding = true
    }
    function cancel(): void {
        isAdding = false
        name = ""
        addButton.forceActiveFocus()
    }
    function submit(): void {
        const title = name.trim()
        if (!canAdd)
            return
        const sent = name
        submitting = true
        AppState.cards.createCard(listID, title).then(inline, function (outcome) {
            inline.submitting = false
            // Emptied for the next title once the card is made; a refused title stays to be
            // sent again, and so does one the user has begun typing meanwhile.
            if (outcome.ok && inline.name === sent)
                inline.name = ""
            if (inline.isAdding)
                titleField.forceActiveFocus()
        })
    }

    spacing: 6

    PlainButton {
        id: addButton
        objectName: "addCardButton"
        visible: !inline.isAdding
        symbol: "plus"
        text: qsTr("Add card")
        textColor: Theme.secondary
        textFont: Theme.calloutFont
        Layout.fillWidth: true
        onClicked: inline.open()
    }

    Rectangle {
        visible: inline.isAdding
        radius: 6
        color: Theme.textBackground
        implicitHeight: titleField.implicitHeight
        Layout.fillWidth: true

        TextField {
            id: titleField
            objectName: "cardTitleField"
            anchors.fill: parent
            placeholderText: qsTr("Card title")
            text: inline.name
            selectByMouse: true
            padding: 6
            background: null
            Accessible.name: qsTr("Card title")
            onTextEdited: inline.name = text
            onAccepted: inline.submit()
            Keys.onEscapePressed: inline.cancel()
            onVisibleChanged: if (visible) forceActiveFocus()
        }
    }

    RowLayout {
        visible: inline.isAdding
        spacing: 6
        Layout.fillWidth: true

        PlainButton {
            objectName: "cancelAddCardButton"
            text: qsTr("Cancel")
            textFont: Theme.calloutFont
            onClicked: inline.cancel()
        }
        Item { Layout.fillWidth: true }
        ActionButton {
            objectName: "confirmAddCardButton"
            label: qsTr("Add")
            prominent: true
            enabled: inline.canAdd
            onClicked: inline.submit()
        }
    }
}
