// SPDX-License-Identifier: MIT
// One list of the board: its header (see ListColumnHeader), its cards and the inline add. Loads its cards the first
// time it comes on screen, if they were never loaded. Takes dropped cards (to the end of the
// list), and its header takes dropped lists (before this one) and cards.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

FocusScope {
    id: column

    required property var list
    required property BoardDragState dragState
    // The board's filter (see BoardFilter); none shows every card.
    property BoardFilter filter: null
    property var boardMembers: null
    property date now: new Date()
    property var preview: null
    // On screen in the board's strip, which keeps columns built out of view too.
    property bool inView: true

    signal openCardRequested(string cardID)
    // Left or right from a tile or the header: the board moves the focus to the next column.
    signal navigateAcross(int key, int row)
    // Ctrl+Shift and an arrow on a tile or on the header.
    signal moveCardRequested(string cardID, int key)
    signal moveListRequested(int key)

    readonly property var cards: AppState.cards.cardsModel(list.id)
    readonly property bool loadingCards: AppState.cards.loadingCards.indexOf(list.id) >= 0
    // Bumped when a card changes in place (a label put on, say), which the count must see.
    property int cardsChanged: 0
    Connections {
        target: column.cards
        function onDataChanged(): void { ++column.cardsChanged }
    }
    // The cards that pass the filter, for the header.
    readonly property int shownCount: {
        if (!cards)
            return 0
        if (!filter || (filter.text.trim() === "" && !filter.picked))
            return cards.count
        void cards.count
        void cardsChanged
        void filter.revision
        return filter.countIn(cards, now)
    }
    readonly property bool filtered: !!cards && shownCount !== cards.count
    // The list's rename, in its header.
    property alias renamingName: header.renamingName
    property alias renaming: header.renaming

    function matches(card: var): bool {
        return !filter || (filter.revision >= 0 && filter.accepts(card, now))
    }

    function startRename(): void {
        header.startRename()
    }
    function commitRename(): void {
        header.commitRename()
    }
    function openMenu(): void {
        header.openMenu()
    }

    // The focus onto the tile in `row` (clamped to the visible ones), or onto the header.
    function focusRow(row: int): void {
        pendingFocus.cardID = ""
        const rows = visibleRows()
        if (rows.length === 0 || row < 0) {
            header.forceActiveFocus()
            return
        }
        const index = rows[Math.min(row, rows.length - 1)]
        cardList.positionViewAtIndex(index, ListView.Contain)
        focusTile(index)
    }
    function focusHeader(): void {
        pendingFocus.cardID = ""
        header.forceActiveFocus()
    }
    // The focus onto a card's tile. A tile that is not built yet (the card has just moved here)
    // gets it as soon as it is.
    function focusCard(cardID: string): bool {
        const index = cards.indexOf(cardID)
        if (index < 0)
            return false
        // The view follows its model once per frame: catch up with the move first, so that
        // the card's tile is usually there now.
        cardList.forceLayout()
        cardList.positionViewAtIndex(index, ListView.Contain)
        pendingFocus.frames = 0
        pendingFocus.cardID = focusTile(index) ? "" : cardID
        if (pendingFocus.cardID === "")
            return true
        if (Window.window)
            Window.window.update()
        return false
    }
    // Otherwise the tile is laid out before the window's next frame: try again after each frame
    // (not after a time, which a slow or busy machine outlasts) and give up after a few in which
    // the card has no tile (it went elsewhere, or the filter hides it).
    Connections {
        id: pendingFocus
        property string cardID
        property int frames
        target: column.Window.window
        enabled: cardID !== ""
        function onAfterAnimating(): void {
            const index = column.cards.indexOf(cardID)
            if (index < 0 || column.focusTile(index) || ++frames >= 3)
                cardID = ""
        }
    }
    // The focus onto the tile of the card slot at `index`, when the slot exists. Qt 6.4's
    // linter cannot know a slot's tile.
    // qmllint disable type
    function focusTile(index: int): bool {
        // The slot by its row among the ListView's built items (itemAtIndex misses slots that a
        // layout pass is about to place).
        const slots = cardList.contentItem.children
        for (let i = 0; i < slots.length; ++i) {
            if (slots[i].tile !== undefined && slots[i].index === index) {
                slots[i].tile.forceActiveFocus()
                return true
            }
        }
        return false
    }
    // qmllint enable type
    // Model rows of the cards that pass the filter.
    function visibleRows(): var {
        const rows = []
        for (let i = 0; i < cards.count; ++i) {
            if (matches(cards.get(i)))
                rows.push(i)
        }
        return rows
    }
    // A drag held near the top or bottom of the cards (`pointer` on the screen) scrolls them by
    // the board's `step(position, length)`.
    function scrollCardsNear(pointer: point, step: var): void {
        const at = cardList.mapFromGlobal(pointer.x, pointer.y)
        const by = at.x < 0 || at.x > cardList.width ? 0 : step(at.y, cardList.height)
        if (by !== 0)
            cardList.contentY = Math.max(cardList.originY - cardList.topMargin,
                                         Math.min(cardList.originY + cardList.contentHeight + cardList.bottomMargin - cardList.height,
                                                  cardList.contentY + by))
    }
    function navigateFromCard(cardID: string, key: int): void {
        const rows = visibleRows()
        const at = rows.indexOf(cards.indexOf(cardID))
        if (key === Qt.Key_Up)
            focusRow(at - 1)
        else if (key === Qt.Key_Down)
            focusRow(Math.min(at + 1, rows.length - 1))
        else
            navigateAcross(key, at)
    }

    implicitWidth: 240
    width: 240

    // Cards load list by list as columns come into view, and only once: an entry that exists,
    // even empty, counts as loaded.
    function loadWhenInView(): void {
        if (inView && !cards.loaded && !loadingCards)
            AppState.cards.refreshCards(list.id)
    }
    Component.onCompleted: loadWhenInView()
    onInViewChanged: loadWhenInView()

    readonly property bool isDropTarget: !!dragState && dragState.dropTargetListID === list.id

    Rectangle {
        objectName: "columnBackground"
        anchors.fill: parent
        radius: 10
        color: column.isDropTarget ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.12)
                                   : Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.03)
        border.width: column.isDropTarget ? 2 : 1
        border.color: column.isDropTarget ? Theme.accent
                                          : Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.07)
    }

    BoardDropDelegate {
        anchors.fill: parent
        listID: column.list.id
        dragState: column.dragState
    }

    // Where a dragged list would land: a mark in the gap before this column.
    Rectangle {
        objectName: "listInsertionMark"
        visible: !!column.dragState && column.dragState.listReorderTarget === column.list.id
        x: -6 - width / 2
        width: 3
        height: parent.height
        radius: 1.5
        color: Theme.accent
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 6

        ListColumnHeader {
            id: header
            list: column.list
            dragState: column.dragState
            cards: column.cards
            shownCount: column.shownCount
            filtered: column.filtered
            loadingCards: column.loadingCards
            Layout.fillWidth: true
            Layout.leftMargin: 8
            Layout.rightMargin: 8
            Layout.topMargin: 6
            onFocusCardsRequested: column.focusRow(0)
            onNavigateRequested: (key) => column.navigateAcross(key, -1)
            onMoveListRequested: (key) => column.moveListRequested(key)
        }

        ListView {
            id: cardList
            objectName: "cardList"
            clip: true
            spacing: 0
            boundsBehavior: Flickable.StopAtBounds
            reuseItems: true
            model: column.cards
            Layout.fillWidth: true
            Layout.fillHeight: true
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

            // Qt 6.4's linter does not see that a delegate reaches this file's ids.
            // qmllint disable unqualified
            delegate: Item {
                id: slot
                required property var record
                required property int index
                readonly property bool shown: column.matches(record)
                property alias tile: tile
                width: cardList.width
                height: shown ? tile.implicitHeight + 6 : 0
                visible: shown

                CardView {
                    id: tile
                    objectName: "card:" + slot.record.name
                    x: 6
                    y: 3
                    width: parent.width - 12
                    card: slot.record
                    dragState: column.dragState
                    boardMembers: column.boardMembers
                    now: column.now
                    preview: column.preview
                    onOpenRequested: column.openCardRequested(slot.record.id)
                    onNavigateRequested: (key) => column.navigateFromCard(slot.record.id, key)
                    onMoveRequested: (key) => column.moveCardRequested(slot.record.id, key)
                }
            }

            footer: Item {
                width: cardList.width
                implicitHeight: addCard.implicitHeight + 12
                AddCardInline {
                    id: addCard
                    x: 6
                    y: 3
                    width: parent.width - 12
                    listID: column.list.id
                }
            }
            // qmllint enable unqualified
        }
    }
}
