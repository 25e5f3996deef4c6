// SPDX-License-Identifier: MIT
// Asks before a card is deleted for good, from its tile or its editor. It carries the card it
// was opened for, named as stored then: what opened it may show another card by the time it is
// answered.
import Stavelin

ConfirmationDialog {
    required property string cardID
    required property string cardName

    objectName: "deleteCardDialog"
    title: qsTr("Delete “%1”?").arg(cardName)
    message: qsTr("Deleting can't be undone. Archiving keeps the card recoverable on %1.").arg(Theme.webAddress)
    actionText: qsTr("Delete Permanently")
}
