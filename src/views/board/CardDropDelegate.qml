// SPDX-License-Identifier: MIT
// A card dropped on a list column goes to the end of that list. A list dropped here is ignored.
import QtQuick
import Stavelin

BoardDropArea {
    required property string listID

    function enter(): void {
        dragState.dropTargetListID = listID
    }
    function exit(): void {
        if (dragState.dropTargetListID === listID)
            dragState.dropTargetListID = ""
    }
    function clear(): void {
        dragState.dropTargetListID = ""
    }
    function move(text: string): void {
        if (!text.startsWith("list:"))
            AppState.cards.moveCard(text, listID, "")
    }
}
