// SPDX-License-Identifier: MIT
// The board's lists as 240-px columns side by side in a horizontally scrolling strip, with an
// end zone that takes lists dropped after the last one. Every slot is made at once, and its
// column is built the first time it comes into view, then kept: out of view it keeps its
// inline-add text, an open rename and its scroll position, and a tile dragged from it lives on
// while the strip scrolls under the drag. Columns never in view cost an empty slot, and load
// nothing.
import QtQuick
import QtQuick.Controls
import Stavelin

ListView {
    id: strip

    required property OpenBoard openBoard
    required property BoardDragState dragState
    property date now: new Date()
    property var preview: null

    // From a column: see ListColumn.
    signal openCardRequested(string cardID)
    signal navigateAcross(string listID, int key, int row)
    signal moveCardRequested(string cardID, int key)
    signal moveListRequested(string listID, int key)

    // The column of one of the strip's slots, or null (not built yet, or not a slot).
    function columnIn(slot: var): ListColumn {
        const loader = slot as Loader
        return loader !== null ? loader.item as ListColumn : null
    }
    // The column at `index`, brought into view.
    function columnAt(index: int): ListColumn {
        const lists = openBoard.lists
        if (index < 0 || !lists || index >= lists.count)
            return null
        positionViewAtIndex(index, ListView.Contain)
        const slots = contentItem.children
        for (let i = 0; i < slots.length; ++i) {
            const column = columnIn(slots[i])
            if (column !== null && column.list.id === lists.get(index).id)
                return column
        }
        return null
    }

    // The cards of the columns in view are asked for the moment the lists are in: the strip
    // builds its columns only at its next layout, up to a frame later. The columns ask for
    // their own as they come into view, and nothing is asked for twice.
    Connections {
        target: strip.openBoard.lists
        function onCountChanged(): void {
            const pitch = 240 + strip.spacing
            strip.openBoard.loadLists(Math.floor((strip.contentX - strip.leftMargin) / pitch),
                                      Math.floor((strip.contentX + strip.width) / pitch))
        }
    }

    objectName: "boardColumnStrip"
    orientation: ListView.Horizontal
    spacing: 10
    leftMargin: 10
    rightMargin: 10
    topMargin: 10
    bottomMargin: 10
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    // Every slot at once (see above).
    cacheBuffer: model ? model.count * (240 + spacing) : 0
    model: openBoard.lists
    Accessible.role: Accessible.List
    Accessible.name: qsTr("Lists")
    ScrollBar.horizontal: ScrollBar { policy: ScrollBar.AsNeeded }

    // Qt 6.4's linter cannot see the strip's ids from inside a delegate.
    // qmllint disable unqualified
    delegate: Loader {
        id: slot
        required property var record
        required property int index
        // By its row: the strip places a slot only after it is complete.
        readonly property bool inView: index * (240 + strip.spacing) + 240 >= strip.contentX
                                       && index * (240 + strip.spacing) <= strip.contentX + strip.width
        // Built the first time it comes into view, then kept (see cacheBuffer).
        property bool seen: false
        Component.onCompleted: seen = inView
        onInViewChanged: if (inView) seen = true
        active: seen
        width: 240
        height: strip.height - strip.topMargin - strip.bottomMargin
        sourceComponent: ListColumn {
            objectName: "column:" + slot.record.name
            list: slot.record
            inView: slot.inView
            dragState: strip.dragState
            filter: strip.openBoard.filter
            boardMembers: strip.openBoard.members
            now: strip.now
            preview: strip.preview
            onOpenCardRequested: (cardID) => strip.openCardRequested(cardID)
            onNavigateAcross: (key, row) => strip.navigateAcross(slot.record.id, key, row)
            onMoveCardRequested: (cardID, key) => strip.moveCardRequested(cardID, key)
            onMoveListRequested: (key) => strip.moveListRequested(slot.record.id, key)
        }
    }

    footer: BoardEndZone {
        height: strip.height - strip.topMargin - strip.bottomMargin
        dragState: strip.dragState
    }
    // qmllint enable unqualified
}
