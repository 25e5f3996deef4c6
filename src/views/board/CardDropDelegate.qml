// SPDX-License-Identifier: MIT
// A card dropped on a list column goes to the end of that list. A list dropped here is ignored.
import QtQuick
import Stavelin

DropArea {
    id: handler

    required property string listID
    required property BoardDragState dragState

    function enter(): void {
        dragState.dropTargetListID = listID
    }
    function exit(): void {
        if (dragState.dropTargetListID === listID)
            dragState.dropTargetListID = ""
    }
    // Takes a drop; false when it carries no text.
    function perform(hasText: bool, text: string): bool {
        dragState.dropTargetListID = ""
        if (!hasText)
            return false
        dragState.whenDragEnds(function () { handler.move(text) })
        return true
    }
    function move(text: string): void {
        if (text.startsWith("list:"))
            return
        AppState.cards.moveCard(text, listID, "")
    }

    onEntered: (drag) => {
        if (!drag.hasText) {
            drag.accepted = false
            return
        }
        drag.accept(Qt.MoveAction)
        enter()
    }
    onExited: exit()
    onDropped: (drop) => {
        if (perform(drop.hasText, drop.text))
            drop.accept(Qt.MoveAction)
        else
            drop.accepted = false
    }
}
