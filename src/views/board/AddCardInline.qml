// SPDX-License-Identifier: MIT
// The foot of a list column: "Add card", which opens a title field for adding cards one after
// another. After each card the field empties and keeps the focus for the next title.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

ColumnLayout {
    id: inline

    required property string listID
    property bool isAdding: false
    property string name

    readonly property bool canAdd: name.trim() !== ""

    function open(): void {
        name = ""
        isAdding = true
    }
    function cancel(): void {
        isAdding = false
        name = ""
    }
    function submit(): void {
        const title = name.trim()
        if (title === "")
            return
        const sent = name
        AppState.cards.createCard(listID, title).then(inline, function () {
            // Emptied for the next title, whatever the outcome; but a title the user has begun
            // typing meanwhile is kept.
            if (inline.name === sent)
                inline.name = ""
            titleField.forceActiveFocus()
        })
    }

    spacing: 6

    PlainButton {
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
