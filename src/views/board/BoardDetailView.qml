// SPDX-License-Identifier: MIT
// One board: a toolbar (see BoardToolbar), the board's colour, and its lists as 240-px columns
// side by side in a horizontally scrolling strip, with an end zone that takes lists dropped
// after the last one. The new list form and the card's editor are screens of their own, opened
// over this one on the panel's stack. Lists and cards move by drag and drop, and by keyboard:
// arrows move the focus, Ctrl+Shift+arrows move the focused card or list, and the move is
// announced.
import QtQuick
import QtQuick.Layouts
import Stavelin

PanelScreen {
    id: detail

    required property var board

    title: board.name

    readonly property string boardID: board ? board.id : ""
    // What is loaded and loading, where each card is, the moves by keyboard and the refresh.
    OpenBoard {
        id: openBoardState
        boardID: detail.boardID
    }
    readonly property OpenBoard openBoard: openBoardState
    readonly property var lists: openBoardState.lists
    readonly property bool loadingLists: openBoardState.loadingLists
    readonly property var members: openBoardState.members
    readonly property var stripColor: {
        const prefs = board ? board.prefs : undefined
        if (!prefs)
            return undefined
        const background = Theme.colorFromHex(prefs.backgroundColor)
        return background !== undefined ? background : Theme.colorFromHex(prefs.backgroundTopColor)
    }

    // For the due colours; ticks while the board shows.
    property date now: new Date()

    BoardDragState { id: boardDrag }
    readonly property BoardDragState dragState: boardDrag

    DragAutoScroll {
        strip: strip
        running: boardDrag.dragging && detail.visible
    }

    Timer {
        interval: 30000
        repeat: true
        running: detail.visible
        onTriggered: detail.now = new Date()
    }

    // The lists, labels and members, then the cards of each list one after another; joined
    // with a refresh under way.
    function refresh(): void {
        openBoardState.refresh()
    }

    // Runs `action` once the events at hand are handled (the views have followed the store).
    function defer(action: var): void {
        Qt.callLater(action) // qmllint disable type
    }

    // The screens this one leads to, over it on the panel's stack, with the keyboard; each
    // carries the board (and the card) it was opened for. Without a stack nothing opens.
    function openNewListForm(): void {
        if (stack === null)
            return
        const form = stack.push(newListComponent, { boardID: boardID, title: title, owner: detail })
        form.forceActiveFocus()
    }
    // The shell opens a card as a click on its tile would (the screenshots do).
    Connections {
        target: Shell
        function onCardRequested(cardID: string): void {
            detail.openCard(cardID)
        }
    }

    // One editor at a time: one on another card gives way. Closed, it hands the focus back to
    // the card's tile.
    function openCard(cardID: string): void {
        const card = findCard(cardID)
        if (stack === null || card === null)
            return
        const open = editorScreen()
        if (open !== null && open.cardID === cardID)
            return
        if (open !== null)
            stack.remove(open)
        // On their way while the editor is built.
        AppState.loadCardDetails(cardID)
        // What told of this card has been seen now.
        AppState.notifications.markCardRead(cardID)
        const editor = stack.push(editorComponent, {
            boardID: boardID, cardID: cardID, card: card, title: title, owner: detail
        })
        editor.forceActiveFocus()
        editor.closeRequested.connect(function () {
            detail.defer(function () { detail.focusCard(cardID) })
        })
    }
    // The open card editor of this board, or null.
    function editorScreen(): CardEditScreen {
        if (stack === null)
            return null
        return stack.find(function (screen) {
            return screen.owner === detail && screen instanceof CardEditScreen
        })
    }
    // A card found by the search, opened in its editor once the board holds it: its list is
    // loaded first, and neither it nor the board's lists may be held yet. (Asked once the
    // screen is there: the columns then see the list loading and leave it.)
    property string pendingCardID
    function openCardWhenLoaded(cardID: string, listID: string): void {
        pendingCardID = cardID
        AppState.cards.refreshCards(listID).then(detail, detail.openPendingCard)
    }
    function openPendingCard(): void {
        if (pendingCardID === "" || findCard(pendingCardID) === null)
            return // tried again as the lists and cards arrive
        const cardID = pendingCardID
        pendingCardID = ""
        openCard(cardID)
    }
    Connections {
        target: detail.pendingCardID !== "" ? openBoardState : null
        function onCardsChanged(): void { detail.openPendingCard() }
        function onLoadingChanged(): void { detail.openPendingCard() }
    }
    // The card as the store holds it now, wherever it is, or null.
    function findCard(cardID: string): var {
        const card = openBoardState.card(cardID)
        return card === undefined ? null : card
    }

    function focusCard(cardID: string): void {
        const listID = openBoardState.listOf(cardID)
        const column = listID !== "" ? strip.columnAt(lists.indexOf(listID)) : null
        if (column)
            column.focusCard(cardID)
    }
    function navigateAcross(fromList: string, key: int, row: int): void {
        const next = lists.indexOf(fromList) + (key === Qt.Key_Right ? 1 : -1)
        const column = strip.columnAt(next)
        if (column === null)
            return
        if (row < 0)
            column.focusHeader()
        else
            column.focusRow(row)
    }
    function announce(text: string): void {
        announcer.text = ""
        announcer.text = text
    }
    // Ctrl+Shift+arrows on a card: to the end of the neighbouring list, or before or after
    // its neighbour in its list; through the same store moves as drag and drop.
    function moveCardByKey(cardID: string, key: int): void {
        const said = openBoardState.moveCardByKey(cardID, key)
        if (said === "")
            return
        announce(said)
        detail.defer(function () { detail.focusCard(cardID) })
    }
    function moveListByKey(listID: string, key: int): void {
        const said = openBoardState.moveListByKey(listID, key)
        if (said === "")
            return
        announce(said)
        detail.defer(function () {
            const column = strip.columnAt(detail.lists.indexOf(listID))
            if (column)
                column.focusHeader()
        })
    }

    Shortcut {
        sequence: "Ctrl+F"
        enabled: detail.visible
        onActivated: toolbar.focusFilter()
    }

    // Read out by screen readers whenever it changes.
    Text {
        id: announcer
        objectName: "moveAnnouncement"
        visible: false
        Accessible.role: Accessible.AlertMessage
        Accessible.name: text
    }

    CardDragPreview { id: dragPreview }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        BoardToolbar {
            id: toolbar
            openBoard: openBoardState
            Layout.fillWidth: true
            onBackRequested: detail.closeRequested()
            onAddListRequested: detail.openNewListForm()
        }

        Separator {}

        Rectangle {
            objectName: "boardColorStrip"
            visible: detail.stripColor !== undefined
            color: detail.stripColor !== undefined ? detail.stripColor : "transparent"
            implicitHeight: 3
            Layout.fillWidth: true
        }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            Spinner {
                objectName: "listsLoading"
                anchors.centerIn: parent
                implicitWidth: 20
                implicitHeight: 20
                visible: detail.loadingLists && (!detail.lists || detail.lists.count === 0)
            }

            BoardEmptyState {
                anchors.centerIn: parent
                visible: !detail.loadingLists && detail.lists !== null && detail.lists.count === 0
                onAddListRequested: detail.openNewListForm()
            }

            ColumnStrip {
                id: strip
                anchors.fill: parent
                visible: detail.lists !== null && detail.lists.count > 0
                openBoard: openBoardState
                dragState: boardDrag
                now: detail.now
                preview: dragPreview
                onOpenCardRequested: (cardID) => detail.openCard(cardID)
                onNavigateAcross: (listID, key, row) => detail.navigateAcross(listID, key, row)
                onMoveCardRequested: (cardID, key) => detail.moveCardByKey(cardID, key)
                onMoveListRequested: (listID, key) => detail.moveListByKey(listID, key)
            }
        }
    }

    Component {
        id: newListComponent
        NewListForm {}
    }
    Component {
        id: editorComponent
        CardEditScreen {}
    }
}
