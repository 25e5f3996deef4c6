// SPDX-License-Identifier: MIT
// What the board's three drop handlers share: only drops carrying plain text are taken, the
// handler's highlight is set on entry and cleared on exit (each handler says which highlight
// and clears only its own value), and a drop clears it and hands the text to `move` once no
// drag of ours is running.
import QtQuick

DropArea {
    id: area

    required property BoardDragState dragState

    // Each handler gives these.
    function enter(): void {}
    function exit(): void {}
    function clear(): void {}
    function move(text: string): void {}

    // Takes a drop; false when it carries no text.
    function perform(hasText: bool, text: string): bool {
        clear()
        if (!hasText)
            return false
        dragState.whenDragEnds(function () { area.move(text) })
        return true
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
