// SPDX-License-Identifier: MIT
// What the board screen highlights while something is dragged over it. Each drop handler
// writes one of these on entry and clears it on exit only while it still holds its own value,
// so an exit reported after the next target's entry leaves the next highlight in place.
import QtQuick

QtObject {
    // What a drag carries: one of these types, with the card's or the list's id as its data.
    readonly property string cardType: "application/x-stavelin-card"
    readonly property string listType: "application/x-stavelin-list"
    function cardPayload(cardID: string): var {
        return { "application/x-stavelin-card": cardID }
    }
    function listPayload(listID: string): var {
        return { "application/x-stavelin-list": listID }
    }
    // The payload of a drag or drop event ({type, id}), or null when it carries none of ours.
    function payloadOf(event: var): var {
        for (const type of [cardType, listType]) {
            if (event.formats.indexOf(type) >= 0)
                return { type: type, id: event.getDataAsString(type) }
        }
        return null
    }

    // The column under a dragged card ("" = none).
    property string dropTargetListID
    // The tile a dragged card would land before.
    property string reorderBeforeCardID
    // The header a dragged list would land before, or "end" over the end zone.
    property string listReorderTarget

    // A drag started by one of our tiles or headers is running: its item must stay alive
    // until the drag ends, so a move dropped meanwhile waits for that.
    property bool dragging: false
    property var pendingMoves: []

    // Runs `move` once no drag of ours is running any more.
    function whenDragEnds(move: var): void {
        if (dragging)
            pendingMoves = pendingMoves.concat([move])
        else // Qt 6.4's linter takes Qt.callLater for a property:
            Qt.callLater(move) // qmllint disable type
    }

    function dragEnded(): void {
        dragging = false
        const moves = pendingMoves
        pendingMoves = []
        for (const move of moves)
            Qt.callLater(move)
    }
}
