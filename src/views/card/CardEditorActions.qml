// SPDX-License-Identifier: MIT
// The card editor's last row: Archive, Delete… (after asking, for the card as stored when the
// question opens, not as being edited), Cancel and Save.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

RowLayout {
    id: actions

    // The card as the store holds it now.
    required property var card
    property bool removing: false
    property bool canSave: false

    signal archiveRequested()
    signal deleteConfirmed(string cardID)
    signal cancelRequested()
    signal saveRequested()

    function confirmDelete(): void {
        const dialog = deleteComponent.createObject(actions, { cardID: card.id, cardName: card.name })
        dialog.confirmed.connect(function () { actions.deleteConfirmed(dialog.cardID) })
        dialog.closed.connect(function () { dialog.destroy() })
        dialog.open()
    }

    spacing: 8

    ActionButton {
        objectName: "archiveCardButton"
        label: qsTr("Archive")
        enabled: !actions.removing
        ToolTip.text: qsTr("Archive this card — recoverable on %1").arg(Theme.webAddress)
        ToolTip.visible: hovered
        ToolTip.delay: 600
        Accessible.description: ToolTip.text
        onClicked: actions.archiveRequested()
    }
    ActionButton {
        objectName: "deleteCardButton"
        label: qsTr("Delete…")
        destructive: true
        enabled: !actions.removing
        onClicked: actions.confirmDelete()
    }
    Item { Layout.fillWidth: true }
    ActionButton {
        objectName: "cancelEditButton"
        label: qsTr("Cancel")
        onClicked: actions.cancelRequested()
    }
    ActionButton {
        objectName: "saveCardButton"
        label: qsTr("Save")
        prominent: true
        enabled: actions.canSave
        onClicked: actions.saveRequested()
    }

    Component {
        id: deleteComponent
        DeleteCardDialog {}
    }
}
