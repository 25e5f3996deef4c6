// SPDX-License-Identifier: MIT
// A card dropped on a card tile goes just before that card, in its list. A list dropped here is
// ignored; a card dropped on itself changes nothing (the store sends nothing).
import QtQuick
import Stavelin

DropArea {
    id: handler

    required property string targetCardID
    required property string targetListID
    required property BoardDragState dragState

    function enter(): void {
        dragState.reorderBeforeCardID = targetCardID
    }
    function exit(): void {
        if (dragState.reorderBeforeCardID === targetCardID)
            dragState.reorderBeforeCardID = ""
    }
    function perform(hasText: bool, text: string): bool {
        dragState.reorderBeforeCardID = ""
        if (!hasText)
            return false
        dragState.whenDragEnds(function () { handler.move(text) })
        return true
    }
    function move(text: string): void {
        if (text.startsWith("list:"))
            return
        AppState.cards.moveCard(text, targetListID, targetCardID)
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
