// SPDX-License-Identifier: MIT
// A tile's context menu: Open in Browser (for a card with a web address), Archive Card and
// Delete Card…. It carries the card it was opened for: the recycled tile may show another card
// by the time an item is chosen.
import QtQuick
import QtQuick.Controls
import Stavelin

Menu {
    id: cardMenu

    required property string cardID
    required property string cardName
    property string webAddress

    signal deleteRequested(string cardID, string cardName)

    objectName: "cardMenu"

    MenuItem {
        objectName: "openInBrowserItem"
        text: qsTr("Open in Browser")
        visible: cardMenu.webAddress !== ""
        height: visible ? implicitHeight : 0
        onTriggered: Qt.openUrlExternally(cardMenu.webAddress)
    }
    MenuItem {
        objectName: "archiveCardItem"
        text: qsTr("Archive Card")
        onTriggered: AppState.cards.archiveCard(cardMenu.cardID)
    }
    MenuSeparator {}
    MenuItem {
        objectName: "deleteCardItem"
        text: qsTr("Delete Card…")
        palette.windowText: Theme.red
        onTriggered: cardMenu.deleteRequested(cardMenu.cardID, cardMenu.cardName)
    }
}
