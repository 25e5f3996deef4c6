// SPDX-License-Identifier: MIT
// The card editor as a screen of the panel, over its board's screen: it carries the board and
// the card it was opened for, and shows the card as the store holds it now, found again
// whenever the board's cards change (a save, a section's change, a refresh). Save, Cancel,
// Back and an Escape that no form inside takes close it; so does the card going (archived, or
// deleted elsewhere), once the events at hand are handled: a move takes the card out of one
// list before it enters the other.
import QtQuick
import Stavelin

PanelScreen {
    id: screen

    required property string boardID
    required property string cardID
    // The card as the store held it when the editor opened; then the last copy found, which a
    // card that has just gone keeps until the editor closes.
    required property var card

    objectName: "cardEditorScreen"
    hidesBelowWhenDrawn: true

    OpenBoard {
        id: openBoard
        boardID: screen.boardID
    }
    // The card as the store holds it now, or null.
    function lookup(): var {
        const card = openBoard.card(cardID)
        return card === undefined ? null : card
    }
    readonly property var found: openBoard.cardsRevision >= 0 && openBoard.boardID !== "" ? lookup() : null
    onFoundChanged: {
        if (found !== null)
            card = found
        else
            goneCheck.restart()
    }
    Timer {
        id: goneCheck
        interval: 0
        onTriggered: if (screen.lookup() === null) screen.closeRequested()
    }
    readonly property CardEditView editor: editView

    Keys.onEscapePressed: closeRequested()

    Rectangle {
        anchors.fill: parent
        color: Theme.windowBackground
    }

    CardEditView {
        id: editView
        anchors.fill: parent
        focus: true
        card: screen.card
        lists: openBoard.lists
        onDismissed: screen.closeRequested()
    }
}
