// SPDX-License-Identifier: MIT
// Every drop target of the board, by what it is over: a column's body (a card goes to the end of
// that list), a tile (a card goes just before that card), a list header (a list goes before that
// list, a card to the end of it) and the end zone after the last column (a list goes last). What
// is dragged travels as a typed payload (BoardDragState's cardType or listType, with the id); a
// target that takes nothing of that type refuses it. A card dropped on its own tile changes
// nothing (the store sends nothing).
import QtQuick
import Stavelin

DropArea {
    id: handler

    required property BoardDragState dragState
    // The list a dropped card goes to; "" for the end zone, which takes lists only.
    property string listID
    // A tile's card, which a dropped card lands before.
    property string beforeCardID
    // Headers and the end zone take lists.
    property bool takesLists: false
    readonly property bool takesCards: listID !== ""
    // A header's mark, or "end" for the end zone.
    readonly property string reorderTarget: listID !== "" ? listID : "end"

    // What this target highlights while something is over it.
    function enter(): void {
        if (takesLists)
            dragState.listReorderTarget = reorderTarget
        else if (beforeCardID !== "")
            dragState.reorderBeforeCardID = beforeCardID
        else
            dragState.dropTargetListID = listID
    }
    function exit(): void {
        if (takesLists && dragState.listReorderTarget === reorderTarget)
            dragState.listReorderTarget = ""
        else if (!takesLists && beforeCardID !== "" && dragState.reorderBeforeCardID === beforeCardID)
            dragState.reorderBeforeCardID = ""
        else if (!takesLists && beforeCardID === "" && dragState.dropTargetListID === listID)
            dragState.dropTargetListID = ""
    }
    function takes(payload: var): bool {
        return payload !== null && ((payload.type === dragState.cardType && takesCards)
                                    || (payload.type === dragState.listType && takesLists))
    }
    // Takes a drop (a payload, or null); false when this target takes nothing of its kind.
    function perform(payload: var): bool {
        exit()
        if (!takes(payload))
            return false
        dragState.whenDragEnds(function () { handler.move(payload) })
        return true
    }
    function move(payload: var): void {
        if (payload.type === dragState.listType)
            AppState.boards.moveList(payload.id, listID)
        else
            AppState.cards.moveCard(payload.id, listID, beforeCardID)
    }

    onEntered: (drag) => {
        if (!takes(dragState.payloadOf(drag))) {
            drag.accepted = false
            return
        }
        drag.accept(Qt.MoveAction)
        enter()
    }
    onExited: exit()
    onDropped: (drop) => {
        if (perform(dragState.payloadOf(drop)))
            drop.accept(Qt.MoveAction)
        else
            drop.accepted = false
    }
}
