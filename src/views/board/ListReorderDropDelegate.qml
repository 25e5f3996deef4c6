// SPDX-License-Identifier: MIT
// A list dropped on a list header goes before that list; on the end zone (no target list) it
// goes after the last one. A card dropped on a header goes to the end of that list; a card
// dropped on the end zone is ignored.
import QtQuick
import Stavelin

DropArea {
    id: handler

    // "" for the end zone.
    required property string targetListID
    required property BoardDragState dragState

    readonly property string targetName: targetListID !== "" ? targetListID : "end"

    function enter(): void {
        dragState.listReorderTarget = targetName
    }
    function exit(): void {
        if (dragState.listReorderTarget === targetName)
            dragState.listReorderTarget = ""
    }
    function perform(hasText: bool, text: string): bool {
        dragState.listReorderTarget = ""
        if (!hasText)
            return false
        dragState.whenDragEnds(function () { handler.move(text) })
        return true
    }
    // The list id of a "list:" payload: only the prefix goes, an id may itself contain "list:".
    function listIDOf(text: string): string {
        return text.substring(5)
    }
    function move(text: string): void {
        if (text.startsWith("list:")) {
            AppState.boards.moveList(listIDOf(text), targetListID)
        } else if (targetListID !== "") {
            AppState.cards.moveCard(text, targetListID, "")
        }
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
