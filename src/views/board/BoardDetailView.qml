// SPDX-License-Identifier: MIT
// One board: a toolbar (back to the boards, the card filter, Add list, Refresh), the board's
// colour, and its lists as 240-px columns side by side in a horizontally scrolling strip, with
// an end zone that takes lists dropped after the last one. Also the new list form and the
// card's editor. Lists and cards move by drag and drop, and by keyboard: arrows move the focus,
// Ctrl+Shift+arrows move the focused card or list, and the move is announced.
import QtQuick
import QtQuick.Controls
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

    // "kanban", "newList" or "editCard".
    property string mode: "kanban"
    // Set once the editor's first frame is out. Until then the board stays as it is, under a
    // cover: hiding its columns and tiles walks all of them, which the click on a card should
    // not wait for.
    property bool boardHidden: false
    property string editCardID
    property alias cardFilter: openBoardState.cardFilter
    // For the due colours; ticks while the board shows.
    property date now: new Date()

    BoardDragState { id: boardDrag }
    readonly property BoardDragState dragState: boardDrag

    // While a drag of ours is held near an edge of the strip, or of a column's cards, that view
    // scrolls, faster nearer the edge: the narrow panel shows less than two columns. A running
    // drag takes the pointer's events, so the pointer is read each frame.
    function edgeStep(pos: real, length: real): real {
        const zone = Math.min(60, length / 4)
        const near = pos < 0 || pos > length ? 0 : pos < zone ? pos - zone : pos > length - zone ? pos - length + zone : 0
        return 24 * near * Math.abs(near) / (zone * zone)
    }
    Timer {
        interval: 16
        repeat: true
        running: boardDrag.dragging && detail.visible && detail.mode === "kanban"
        onTriggered: {
            const pointer = Shell.pointerPosition()
            const at = strip.mapFromGlobal(pointer.x, pointer.y)
            if (at.y < 0 || at.y > strip.height)
                return
            const step = detail.edgeStep(at.x, strip.width)
            const end = strip.originX + strip.contentWidth + strip.rightMargin - strip.width
            if (step !== 0)
                strip.contentX = Math.max(strip.originX - strip.leftMargin, Math.min(end, strip.contentX + step))
            const column = detail.columnIn(strip.itemAt(strip.contentX + at.x, strip.contentY + at.y))
            if (column !== null)
                column.scrollCardsNear(pointer, detail.edgeStep)
        }
    }

    // Once the lists and the cards of every column in view are in, and drawn: a moment for the
    // benchmarks (see Shell.note).
    property bool drawnNoted: false
    readonly property bool columnsInView: {
        if (!lists || lists.count === 0 || loadingLists)
            return false
        void openBoardState.loadRevision
        const slots = strip.contentItem.children
        let seen = 0
        for (let i = 0; i < slots.length; ++i) {
            const slot = slots[i]
            const column = detail.columnIn(slot)
            if (column === null || slot.x + slot.width < strip.contentX
                    || slot.x > strip.contentX + strip.width)
                continue
            if (!column.cards.loaded || column.loadingCards)
                return false
            ++seen
        }
        return seen > 0
    }
    onColumnsInViewChanged: {
        if (columnsInView && !drawnNoted) {
            drawnNoted = true
            const window = detail.Window.window
            if (window)
                window.frameSwapped.connect(detail.noteDrawn)
        }
    }
    function noteDrawn(): void {
        detail.Window.window.frameSwapped.disconnect(detail.noteDrawn)
        Shell.note("board drawn")
    }

    Timer {
        interval: 30000
        repeat: true
        running: detail.visible
        onTriggered: detail.now = new Date()
    }

    // The cards of the columns in view are asked for the moment the lists are in: the strip
    // builds its columns only at its next layout, up to a frame later. The columns ask for
    // their own as they come into view, and nothing is asked for twice.
    Connections {
        target: detail.lists
        function onCountChanged(): void {
            const pitch = 240 + strip.spacing
            openBoardState.loadLists(Math.floor((strip.contentX - strip.leftMargin) / pitch),
                                     Math.floor((strip.contentX + strip.width) / pitch))
        }
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

    function openNewListForm(): void {
        mode = "newList"
    }
    // The shell opens a card as a click on its tile would (the screenshots do).
    Connections {
        target: Shell
        function onCardRequested(cardID: string): void {
            if (detail.findCard(cardID) !== null)
                detail.openCard(cardID)
        }
    }

    function openCard(cardID: string): void {
        const card = findCard(cardID)
        if (card === null)
            return
        // On their way while the editor is built.
        AppState.details.loadMissing(cardID)
        editorSlot.shownCard = card
        editCardID = cardID
        boardHidden = false
        mode = "editCard"
        // The board is hidden once the editor's first frame is out (see boardHidden).
        const window = detail.Window.window
        if (window === null) {
            boardHidden = true
            return
        }
        const cover = function () {
            window.frameSwapped.disconnect(cover)
            if (detail.mode === "editCard")
                detail.boardHidden = true
        }
        window.frameSwapped.connect(cover)
    }
    function closeEditor(): void {
        if (mode !== "editCard")
            return
        mode = "kanban"
        editorSlot.shownCard = null
        detail.defer(function () { detail.focusCard(detail.editCardID) })
    }

    // The edited card as the store holds it now, found again whenever a list's cards change (a
    // save, a section's change, a refresh); null when it is gone. A card that is gone once the
    // events at hand are handled (a move takes it out of one list before it enters the other)
    // closes the editor.
    readonly property var editedCard: openBoardState.cardsRevision >= 0 && mode === "editCard"
                                      ? findCard(editCardID) : null
    onEditedCardChanged: {
        if (editedCard !== null)
            editorSlot.shownCard = editedCard
        else if (mode === "editCard")
            detail.defer(function () {
                if (detail.findCard(detail.editCardID) === null)
                    detail.closeEditor()
            })
    }
    // The card as the store holds it now, wherever it is, or null.
    function findCard(cardID: string): var {
        const card = openBoardState.card(cardID)
        return card === undefined ? null : card
    }

    // The column of one of the strip's slots, or null (not built yet, or not a slot).
    function columnIn(slot: var): ListColumn {
        const loader = slot as Loader
        return loader !== null ? loader.item as ListColumn : null
    }

    // Keyboard: the column at `index`, brought into view.
    function columnAt(index: int): ListColumn {
        if (index < 0 || !lists || index >= lists.count)
            return null
        strip.positionViewAtIndex(index, ListView.Contain)
        const slots = strip.contentItem.children
        for (let i = 0; i < slots.length; ++i) {
            const column = detail.columnIn(slots[i])
            if (column !== null && column.list.id === lists.get(index).id)
                return column
        }
        return null
    }
    function focusCard(cardID: string): void {
        const listID = openBoardState.listOf(cardID)
        const column = listID !== "" ? columnAt(lists.indexOf(listID)) : null
        if (column)
            column.focusCard(cardID)
    }
    function navigateAcross(fromList: string, key: int, row: int): void {
        const next = lists.indexOf(fromList) + (key === Qt.Key_Right ? 1 : -1)
        const column = columnAt(next)
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
            const column = detail.columnAt(detail.lists.indexOf(listID))
            if (column)
                column.focusHeader()
        })
    }

    Shortcut {
        sequence: "Ctrl+F"
        enabled: detail.visible && detail.mode === "kanban"
        onActivated: filterField.forceActiveFocus()
    }

    // Read out by screen readers whenever it changes.
    Text {
        id: announcer
        objectName: "moveAnnouncement"
        visible: false
        Accessible.role: Accessible.AlertMessage
        Accessible.name: text
    }

    // The picture a dragged card shows under the pointer: its name on a tile-like card.
    Rectangle {
        id: dragPreview
        property alias text: previewText.text
        function capture(done: var): void {
            dragPreview.grabToImage(function (result) { done(result.url) })
        }
        x: -10000
        width: 220
        height: previewText.implicitHeight + 16
        radius: 7
        color: Theme.textBackground
        border.width: 1.5
        border.color: Theme.accent
        Text {
            id: previewText
            x: 8
            y: 8
            width: parent.width - 16
            font: Theme.bodyFont
            color: Theme.primary
            wrapMode: Text.Wrap
            maximumLineCount: 3
            elide: Text.ElideRight
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0
        visible: detail.mode === "kanban" || (detail.mode === "editCard" && !detail.boardHidden)

        RowLayout {
            spacing: 8
            Layout.fillWidth: true
            Layout.leftMargin: 12
            Layout.rightMargin: 12
            Layout.topMargin: 6
            Layout.bottomMargin: 6

            PlainButton {
                objectName: "boardsBackButton"
                focus: true
                text: qsTr("Boards")
                symbol: "chevron.left"
                onClicked: detail.closeRequested()
            }

            Rectangle {
                radius: 6
                color: Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.05)
                implicitHeight: filterRow.implicitHeight + 6
                Layout.fillWidth: true
                Layout.maximumWidth: 200

                RowLayout {
                    id: filterRow
                    anchors.fill: parent
                    anchors.leftMargin: 6
                    anchors.rightMargin: 6
                    spacing: 4
                    Symbol {
                        name: "magnifyingglass"
                        color: Theme.secondary
                        Layout.preferredWidth: 11
                        Layout.preferredHeight: 11
                    }
                    TextField {
                        id: filterField
                        objectName: "cardFilterField"
                        placeholderText: qsTr("Filter cards")
                        text: detail.cardFilter
                        font: Theme.calloutFont
                        background: null
                        padding: 2
                        selectByMouse: true
                        Layout.fillWidth: true
                        Accessible.name: qsTr("Filter cards")
                        onTextEdited: detail.cardFilter = text
                    }
                    IconButton {
                        objectName: "clearFilterButton"
                        visible: detail.cardFilter !== ""
                        symbol: "xmark.circle.fill"
                        toolTip: qsTr("Clear filter")
                        implicitWidth: 16
                        implicitHeight: 16
                        onClicked: detail.cardFilter = ""
                    }
                }
            }

            Item { Layout.fillWidth: true }
            IconButton {
                objectName: "addListButton"
                symbol: "plus.rectangle.on.rectangle"
                toolTip: qsTr("Add list")
                onClicked: detail.openNewListForm()
            }
            IconButton {
                objectName: "refreshBoardButton"
                symbol: "arrow.clockwise"
                toolTip: qsTr("Refresh")
                onClicked: detail.refresh()
            }
        }

        Rectangle {
            color: Theme.separator
            implicitHeight: 1
            Layout.fillWidth: true
        }

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

            ColumnLayout {
                objectName: "noListsState"
                anchors.centerIn: parent
                spacing: 6
                visible: !detail.loadingLists && detail.lists !== null && detail.lists.count === 0

                Symbol {
                    name: "list.bullet.rectangle"
                    color: Theme.secondary
                    Layout.preferredWidth: 34
                    Layout.preferredHeight: 34
                    Layout.alignment: Qt.AlignHCenter
                }
                Text {
                    text: qsTr("No lists yet")
                    font: Theme.headlineFont
                    color: Theme.primary
                    Layout.alignment: Qt.AlignHCenter
                }
                ActionButton {
                    objectName: "addFirstListButton"
                    label: qsTr("Add a list")
                    Layout.alignment: Qt.AlignHCenter
                    onClicked: detail.openNewListForm()
                }
            }

            ListView {
                id: strip
                objectName: "boardColumnStrip"
                anchors.fill: parent
                visible: detail.lists !== null && detail.lists.count > 0
                orientation: ListView.Horizontal
                spacing: 10
                leftMargin: 10
                rightMargin: 10
                topMargin: 10
                bottomMargin: 10
                clip: true
                boundsBehavior: Flickable.StopAtBounds
                // Every slot is made at once, and its column is built the first time it comes
                // into view, then kept: out of view it keeps its inline-add text, an open rename
                // and its scroll position, and a tile dragged from it lives on while the strip
                // scrolls under the drag. Columns never in view cost an empty slot, and load
                // nothing.
                cacheBuffer: detail.lists ? detail.lists.count * (240 + spacing) : 0
                model: detail.lists
                Accessible.role: Accessible.List
                Accessible.name: qsTr("Lists")
                ScrollBar.horizontal: ScrollBar { policy: ScrollBar.AsNeeded }

                // Qt 6.4's linter cannot see the screen's ids from inside a delegate.
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
                        dragState: boardDrag
                        cardFilter: detail.cardFilter
                        boardMembers: detail.members
                        now: detail.now
                        preview: dragPreview
                        onOpenCardRequested: (cardID) => detail.openCard(cardID)
                        onNavigateAcross: (key, row) => detail.navigateAcross(slot.record.id, key, row)
                        onMoveCardRequested: (cardID, key) => detail.moveCardByKey(cardID, key)
                        onMoveListRequested: (key) => detail.moveListByKey(slot.record.id, key)
                    }
                }

                footer: Item {
                    width: 38
                    height: strip.height - strip.topMargin - strip.bottomMargin

                    Rectangle {
                        id: endZone
                        objectName: "endDropZone"
                        readonly property bool targeted: boardDrag.listReorderTarget === "end"
                        x: 10
                        width: 28
                        height: parent.height
                        radius: 10
                        color: targeted ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.15)
                                        : "transparent"
                        Rectangle {
                            visible: endZone.targeted
                            anchors.centerIn: parent
                            width: 3
                            height: parent.height
                            radius: 1.5
                            color: Theme.accent
                        }
                        BoardDropDelegate {
                            anchors.fill: parent
                            takesLists: true
                            dragState: boardDrag
                        }
                    }
                }
                // qmllint enable unqualified
            }
        }
    }

    // The new list form, made anew at each opening. A late answer to a form left meanwhile
    // does not take the screen from what shows now (an editor, say).
    Loader {
        objectName: "newListForm"
        active: detail.mode === "newList"
        visible: active
        anchors.fill: parent
        anchors.margins: 12
        focus: active
        // qmllint disable unqualified
        sourceComponent: NewListForm {
            boardID: detail.boardID
            onClosed: if (detail.mode === "newList") detail.mode = "kanban"
        }
        // qmllint enable unqualified
        onLoaded: forceActiveFocus()
    }

    // Covers the board while it is still there under a new editor.
    Rectangle {
        anchors.fill: parent
        visible: detail.mode === "editCard" && !detail.boardHidden
        color: Theme.windowBackground
    }

    // The card's editor, on the card as the store holds it now.
    Loader {
        id: editorSlot
        objectName: "cardEditorSlot"
        anchors.fill: parent
        active: detail.mode === "editCard"
        focus: active
        // The last copy found: a card that has just gone keeps its editor whole until it closes.
        property var shownCard: null
        // qmllint disable unqualified
        sourceComponent: CardEditView {
            focus: true
            card: editorSlot.shownCard
            lists: detail.lists
            onDismissed: detail.closeEditor()
        }
        // qmllint enable unqualified
        onLoaded: editorSlot.forceActiveFocus()
    }
}
