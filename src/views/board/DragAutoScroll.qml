// SPDX-License-Identifier: MIT
// While a drag of ours is held near an edge of the board's strip, or of a column's cards, that
// view scrolls, faster nearer the edge: the narrow panel shows less than two columns. A running
// drag takes the pointer's events, so the pointer is read each frame.
import QtQuick
import Stavelin

Timer {
    id: scroll

    required property ListView strip

    // How far to scroll in one step at `pos` along a view `length` long: nothing outside the
    // zones at the ends, up to 24 px at the very edge.
    function edgeStep(pos: real, length: real): real {
        const zone = Math.min(60, length / 4)
        const near = pos < 0 || pos > length ? 0 : pos < zone ? pos - zone : pos > length - zone ? pos - length + zone : 0
        return 24 * near * Math.abs(near) / (zone * zone)
    }

    interval: 16
    repeat: true
    onTriggered: {
        const pointer = Shell.pointerPosition()
        const at = strip.mapFromGlobal(pointer.x, pointer.y)
        if (at.y < 0 || at.y > strip.height)
            return
        const step = edgeStep(at.x, strip.width)
        const end = strip.originX + strip.contentWidth + strip.rightMargin - strip.width
        if (step !== 0)
            strip.contentX = Math.max(strip.originX - strip.leftMargin, Math.min(end, strip.contentX + step))
        const slot = strip.itemAt(strip.contentX + at.x, strip.contentY + at.y) as Loader
        const column = slot !== null ? slot.item as ListColumn : null
        if (column !== null)
            column.scrollCardsNear(pointer, scroll.edgeStep)
    }
}
