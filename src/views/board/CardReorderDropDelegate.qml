// SPDX-License-Identifier: MIT
// A card dropped on a card tile goes just before that card, in its list. A list dropped here is
// ignored; a card dropped on itself changes nothing (the store sends nothing).
import QtQuick
import Stavelin

BoardDropArea {
    required property string targetCardID
    required property string targetListID

    function enter(): void {
        dragState.reorderBeforeCardID = targetCardID
    }
    function exit(): void {
        if (dragState.reorderBeforeCardID === targetCardID)
            dragState.reorderBeforeCardID = ""
    }
    function clear(): void {
        dragState.reorderBeforeCardID = ""
    }
    function move(text: string): void {
        if (!text.startsWith("list:"))
            AppState.cards.moveCard(text, targetListID, targetCardID)
    }
}
